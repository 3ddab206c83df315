// String: an immutable, reference-counted sequence of 16-bit code units.
//
// Every empty result is the one static representation `String::nullRep`; concatenation with an
// empty side, whole-string slices and replacements that find nothing share the representation.
// Reference counts are plain ints: a string handed to another thread must be handed as a copy.
#pragma once

// <cstdio>: String::Load reads from a standard file handle.
#include <cstdio>
// <cstdlib>: representations are plain heap blocks, freed inline when the last handle goes.
#include <cstdlib>
#include <string>

template <class T>
class Array;

typedef unsigned short Char;

class String {
public:
    struct Rep {
        int refs;
        int length;
        Char *data() { return reinterpret_cast<Char *>(this + 1); }
        const Char *data() const { return reinterpret_cast<const Char *>(this + 1); }
        // The shared empty representation is not counted: it is never freed, and empty strings
        // are made on every thread, so counting it would be a data race.
        void retain() {
            if (this != &nullRep) ++refs;
        }
        void release() {
            if (this != &nullRep && --refs == 0) std::free(this);
        }
        static Rep *alloc(int length);
    };
    static Rep nullRep;

    String() : rep(&nullRep) { rep->retain(); }
    String(const String &s) : rep(s.rep) { rep->retain(); }
    String(String &&s) noexcept : rep(s.rep) { s.rep = &nullRep, nullRep.retain(); }
    ~String() { rep->release(); }
    String &operator=(const String &s);
    String &operator=(String &&s) noexcept;

    String(const Char *units, int length);
    // One code unit per byte, the byte taken as signed: 0x80..0xFF become 0xFF80..0xFFFF.
    String(const char *text);
    String(const char *text, int length);
    String(int n);     // printf("%i")
    String(float f);   // printf("%.17lg") of the widened value, ".0" appended if needed
    String(double d);  // the same format

    int Length() const { return rep->length; }
    const Char *Data() const { return rep->data(); }
    Char operator[](int i) const { return rep->data()[i]; }
    bool Shares(const String &s) const { return rep == s.rep; }
    Rep *GetRep() const { return rep; }

    String Slice(int from) const { return Slice(from, rep->length); }
    String Slice(int from, int to) const;
    Array<String> Split(const String &separator) const;
    String Replace(const String &find, const String &with) const;
    String Join(Array<String> parts) const;
    // The same join over `count` parts in plain memory (string stacks join their storage).
    static String JoinParts(const String &separator, const String *parts, int count);

    int Find(const String &what, int start = 0) const;  // -1 when absent
    bool StartsWith(const String &prefix) const;
    bool EndsWith(const String &suffix) const;
    bool Contains(const String &what) const { return Find(what) >= 0; }
    int Compare(const String &s) const;

    // Leading white space, an optional sign, then decimal digits, read from the first 63 code
    // units narrowed to 8 bits. A value beyond 32 bits wraps around modulo 2^32, as unsigned
    // 32-bit arithmetic does, and is never undefined behaviour.
    int ToInt() const;
    float ToFloat() const;

    // Each code unit keeps its low 8 bits (for calls that take 8-bit text).
    std::string ToNarrow() const;
    // UTF-8, each code unit encoded on its own (surrogate halves separately).
    std::string ToUtf8() const;
    static String FromChars(const Char *units, int length) { return String(units, length); }
    static String FromChar(int unit);

    // Reads the rest of the file and decodes it: UTF-16 with either byte-order mark, else UTF-8
    // (an optional byte-order mark skipped), else Latin-1 when the bytes are not that UTF-8.
    static String Load(std::FILE *file);
    static String Decode(const unsigned char *bytes, int length);

private:
    explicit String(Rep *r) : rep(r) {}
    Rep *rep;
    friend String operator+(const String &a, const String &b);
};

String operator+(const String &a, const String &b);
bool operator==(const String &a, const String &b);
inline bool operator!=(const String &a, const String &b) {
    return !(a == b);
}
inline bool operator<(const String &a, const String &b) {
    return a.Compare(b) < 0;
}

// Encodes each code unit on its own as UTF-8 into `out` (appended).
void kt_utf8_encode(const Char *units, int length, std::string &out);
