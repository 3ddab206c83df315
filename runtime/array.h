// Array<T>: a handle to a collected, fixed-length array.
//
// New arrays are zero-filled (null, 0, false, empty strings). Every element type has one static
// empty representation of colour 3, so empty arrays cost nothing and are never collected.
// Element access is not checked: callers keep indices within Length(). Stores of references
// into elements go through gc_assign like any other field.
#pragma once

#include <new>
#include <type_traits>

#include "runtime/gc.h"
#include "runtime/ktstring.h"

template <class T>
class Array;

// Arrays of arrays hold handles to collected representations, so they mark and barrier them.
template <class T>
struct kt_is_array : std::false_type {};
template <class T>
struct kt_is_array<Array<T>> : std::true_type {};

template <class T>
class Array {
public:
    struct Rep : gc_object {
        int length;

        explicit Rep(int n) : length(n) {
            // The collector hands representations zero-filled memory: numbers, bools and
            // references start at 0 without a pass over them.
            if constexpr (std::is_same_v<T, String> || kt_is_array<T>::value) {
                for (int i = 0; i < n; ++i) new (&data()[i]) T();
            }
        }
        explicit Rep(gc_static_t s) : gc_object(s), length(0) {}
        ~Rep() override {
            if constexpr (std::is_same_v<T, String>) {
                for (int i = 0; i < length; ++i) data()[i].~String();
            }
        }
        T *data() { return reinterpret_cast<T *>(this + 1); }

        // Arrays of collected references mark every element; numbers, bools and strings nothing.
        void mark() override {
            if constexpr (std::is_pointer_v<T>) {
                if constexpr (std::is_base_of_v<gc_object, std::remove_pointer_t<T>>) {
                    T *d = data();
                    for (int i = 0; i < length; ++i) gc_mark(d[i]);
                }
            } else if constexpr (kt_is_array<T>::value) {
                T *d = data();
                for (int i = 0; i < length; ++i) gc_mark(d[i].GetRep());
            }
        }

        static Rep *create(int n) {
            if (n <= 0) return &empty();
            return new (gc_extra, sizeof(T) * static_cast<std::size_t>(n)) Rep(n);
        }
        static Rep &empty() {
            static Rep rep(gc_static);
            return rep;
        }
    };
    static_assert(sizeof(Rep) % alignof(T) == 0, "array elements must follow the header aligned");

    Array() : rep(&Rep::empty()) {}
    explicit Array(int length) : rep(Rep::create(length)) {}
    Array(const T *values, int length) : rep(Rep::create(length)) {
        for (int i = 0; i < length; ++i) Store(i, values[i]);
    }
    explicit Array(Rep *r) : rep(r) {}

    int Length() const { return rep->length; }
    T &operator[](int i) const { return rep->data()[i]; }
    T *Data() const { return rep->data(); }
    Rep *GetRep() const { return rep; }
    bool IsEmptyShared() const { return rep == &Rep::empty(); }

    // Stores one element, through the barrier for references.
    void Store(int i, const T &value) const {
        if constexpr (std::is_pointer_v<T> || kt_is_array<T>::value) {
            gc_assign(rep->data()[i], value);
        } else {
            rep->data()[i] = value;
        }
    }

    // A new array of the elements from..to-1 (clamped like String::Slice).
    Array<T> Slice(int from, int to) const {
        int n = Length();
        if (from < 0) from = from + n < 0 ? 0 : from + n;
        if (from > n) from = n;
        if (to < 0) to += n;
        if (to > n) to = n;
        if (from >= to) return Array<T>();
        Array<T> out(to - from);
        for (int i = from; i < to; ++i) out.Store(i - from, rep->data()[i]);
        return out;
    }

    // A new array of `length` elements holding the old ones (the rest zero).
    Array<T> Resize(int length) const {
        Array<T> out(length);
        int n = length < Length() ? length : Length();
        for (int i = 0; i < n; ++i) out.Store(i, rep->data()[i]);
        return out;
    }

    // Marks the representation (for fields and globals that hold an array).
    void Mark() const { gc_mark(rep); }

private:
    Rep *rep;
};

// The barrier for array-valued fields and globals.
template <class T>
inline void gc_assign(Array<T> &field, const Array<T> &value) {
    gc_mark(value.GetRep());
    field = value;
}
template <class T>
inline void gc_mark(const Array<T> &a) {
    gc_mark(a.GetRep());
}
