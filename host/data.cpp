// Data paths, file access and the state file.

#include "host/data.h"

// POSIX: readlink of /proc/self/exe, and the open/fsync/rename sequence of the crash-safe save.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

// ---------------------------------------------------------------------------------------------
// Types and constants

namespace {

const char kStateFile[] = "./.vantorstate";
constexpr int kChunk = 4096;

const char kDataScheme[] = "vantor://data/";
const char kInternalScheme[] = "vantor://internal/";
const char kExternalScheme[] = "vantor://external/";

// Lone low surrogates 0xDC80..0xDCFF carry file-name bytes that are not UTF-8.
constexpr unsigned kEscapeBase = 0xDC00;

}  // namespace

// ---------------------------------------------------------------------------------------------
// Path mapping

String kt_data_FixDataPath(String path) {
    int scheme = path.Find(String(":/"));
    if (scheme >= 0 && path.Find(String("/")) == scheme + 1) return path;
    if (path.StartsWith(String("./")) || path.StartsWith(String("/"))) return path;
    return String(kDataScheme) + path;
}

String kt_data_ExecutableDir() {
    std::vector<char> buf(PATH_MAX);
    ssize_t n;
    for (;;) {
        n = readlink("/proc/self/exe", buf.data(), buf.size());
        if (n < 0 || static_cast<std::size_t>(n) < buf.size()) break;
        buf.resize(buf.size() * 2);
    }
    if (n < 0) {
        dbg_error(
            "Cannot read /proc/self/exe to find the executable's directory, where the game data "
            "lives; mount /proc (procfs) and start the game again");
    }
    int slash = static_cast<int>(n) - 1;
    while (slash >= 0 && buf[slash] != '/') --slash;
    if (slash < 0) {
        dbg_error(
            "The executable's file name has no directory part, so the data directory cannot be "
            "found; start the game by its full path");
    }
    return kt_data_FromFileName(buf.data(), slash);
}

String kt_data_ResolvePath(const String &path, String &appPath, String &internalPath) {
    if (appPath.Length() == 0) appPath = kt_data_ExecutableDir();
    if (!path.StartsWith(String("vantor:"))) return path;

    const String data(kDataScheme), internal(kInternalScheme), external(kExternalScheme);
    if (path.StartsWith(data)) return appPath + String("/data/") + path.Slice(data.Length());
    if (path.StartsWith(internal)) {
        if (internalPath.Length() == 0) internalPath = appPath + String("/internal");
        return internalPath + String("/") + path.Slice(internal.Length());
    }
    if (path.StartsWith(external)) {
        return appPath + String("/external/") + path.Slice(external.Length());
    }
    return String();
}

// ---------------------------------------------------------------------------------------------
// File names

bool kt_data_ToFileName(const String &name, std::string &out) {
    out.clear();
    const Char *u = name.Data();
    int n = name.Length();
    for (int i = 0; i < n; ++i) {
        unsigned c = u[i];
        if (c == 0) return false;
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < n && u[i + 1] >= 0xDC00 && u[i + 1] < 0xE000) {
            unsigned cp = 0x10000 + ((c - 0xD800) << 10) + (u[i + 1] - 0xDC00u);
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
            ++i;
        } else if (c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF) {
            out += static_cast<char>(c - kEscapeBase);
        } else {
            kt_utf8_encode(&u[i], 1, out);
        }
    }
    return true;
}

String kt_data_FromFileName(const char *bytes, int length) {
    const unsigned char *p = reinterpret_cast<const unsigned char *>(bytes);
    std::vector<Char> units;
    units.reserve(static_cast<std::size_t>(length));
    for (int i = 0; i < length;) {
        unsigned c = p[i];
        int more = c < 0x80             ? 0
                   : (c & 0xE0) == 0xC0 ? 1
                   : (c & 0xF0) == 0xE0 ? 2
                   : (c & 0xF8) == 0xF0 ? 3
                                        : -1;
        unsigned cp = more == 0 ? c : more == 1 ? c & 0x1F : more == 2 ? c & 0x0F : c & 0x07;
        bool ok = more >= 0 && i + more < length;
        for (int k = 1; ok && k <= more; ++k) {
            ok = (p[i + k] & 0xC0) == 0x80;
            cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        // Only the shortest form of a scalar value converts back to the same bytes.
        static const unsigned kMin[4] = {0, 0x80, 0x800, 0x10000};
        if (ok) ok = cp >= kMin[more] && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
        if (!ok) {
            units.push_back(static_cast<Char>(kEscapeBase + c));
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            units.push_back(static_cast<Char>(0xD800 + ((cp - 0x10000) >> 10)));
            units.push_back(static_cast<Char>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        } else {
            units.push_back(static_cast<Char>(cp));
        }
        i += more + 1;
    }
    return String(units.data(), static_cast<int>(units.size()));
}

// ---------------------------------------------------------------------------------------------
// Crash-safe replacement

namespace {

bool write_all(int fd, const std::string &bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Makes the rename itself durable. A file system that cannot flush a directory at all (EINVAL)
// gives no way to do better, which is not a failure of this save.
bool sync_directory(const std::string &path) {
    std::size_t slash = path.rfind('/');
    std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = fsync(fd) == 0 || errno == EINVAL;
    close(fd);
    return ok;
}

}  // namespace

int kt_data_ReplaceFile(const std::string &path, const std::string &bytes) {
    std::string target = path;
    struct stat old;
    bool exists = lstat(path.c_str(), &old) == 0;
    if (exists && S_ISLNK(old.st_mode)) {
        char *real = realpath(path.c_str(), nullptr);
        if (real) target = real;
        std::free(real);
        exists = stat(target.c_str(), &old) == 0;
    }

    std::string temp = target + ".tmp-" + std::to_string(getpid());
    int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return -1;
    // The replacement keeps the permissions the player may have given the old file.
    if (exists && S_ISREG(old.st_mode)) fchmod(fd, old.st_mode & 07777);

    bool ok = write_all(fd, bytes) && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    ok = ok && rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        unlink(temp.c_str());
        return -2;
    }
    return sync_directory(target) ? 0 : -2;
}

// ---------------------------------------------------------------------------------------------
// KtGame file access

std::FILE *KtGame::OpenFile(String path, String mode) {
    String resolved = PathToFilePath(path);
    if (resolved.Length() == 0) return nullptr;
    std::string name;
    if (!kt_data_ToFileName(resolved, name)) {
        errno = EINVAL;
        return nullptr;
    }
    return std::fopen(name.c_str(), mode.ToNarrow().c_str());
}

String KtGame::LoadString(String path) {
    std::FILE *f = OpenFile(path, String("rb"));
    if (!f) return String();
    String text = String::Load(f);
    std::fclose(f);
    return text;
}

unsigned char *KtGame::LoadData(String path, int *length) {
    std::FILE *f = OpenFile(path, String("rb"));
    if (!f) return nullptr;

    std::size_t size = 0, capacity = 0;
    unsigned char *buf = nullptr;
    bool ok = true;
    for (;;) {
        if (size + kChunk > capacity) {
            capacity = capacity ? capacity * 2 : kChunk;
            unsigned char *grown = static_cast<unsigned char *>(std::realloc(buf, capacity));
            if (!grown) {
                ok = false;
                break;
            }
            buf = grown;
        }
        std::size_t got = std::fread(buf + size, 1, kChunk, f);
        size += got;
        if (size > static_cast<std::size_t>(INT_MAX)) ok = false;
        if (!ok || got < static_cast<std::size_t>(kChunk)) break;
    }
    // A read error would otherwise pass a truncated file off as the whole one.
    if (std::ferror(f)) ok = false;
    std::fclose(f);
    if (!ok) {
        std::free(buf);
        return nullptr;
    }

    // Even an empty file gives a buffer: null means failure to every caller.
    unsigned char *exact = static_cast<unsigned char *>(std::realloc(buf, size ? size : 1));
    if (exact) buf = exact;
    if (length) *length = static_cast<int>(size);
    gc_ext_malloced(static_cast<int>(size));
    return buf;
}

int KtGame::SaveState(String state) {
    String resolved = PathToFilePath(String(kStateFile));
    std::string name;
    if (resolved.Length() == 0 || !kt_data_ToFileName(resolved, name)) return -1;
    return kt_data_ReplaceFile(name, state.ToUtf8());
}

String KtGame::LoadState() {
    return LoadString(String(kStateFile));
}
