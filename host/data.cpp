// Data paths, file access and the state file.

#include "host/data.h"

// POSIX: readlink of /proc/self/exe; the open/fsync/rename sequence of the crash-safe save, the
// directory scan and the process check of its leftover cleanup.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

// ---------------------------------------------------------------------------------------------
// Types and constants

namespace {

const char kStateFile[] = "./.vantorstate";
const char kDamagedStateFile[] = "./.vantorstate.damaged";
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

constexpr int kMaxLinks = 40;  // as the kernel allows in one path
const char kTempInfix[] = ".tmp-";

// Failure results carry their reason in errno, which the cleanup after a failure must not lose.
int fail(int result, int error) {
    errno = error;
    return result;
}

bool write_all(int fd, const std::string &bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n == 0) errno = EIO;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// The directory part of a path ("." for a bare name).
std::string directory_of(const std::string &path) {
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

// Makes the rename itself durable. A file system that cannot flush a directory at all (EINVAL)
// gives no way to do better, which is not a failure of this save.
bool sync_directory(const std::string &path) {
    int fd = open(directory_of(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = fsync(fd) == 0 || errno == EINVAL;
    int error = errno;
    close(fd);
    errno = error;
    return ok;
}

// The path a chain of symbolic links ends at, whether that file exists or not, so that a save
// through a dangling link creates its target instead of replacing the link. False (ELOOP,
// ENAMETOOLONG) when the chain does not end.
bool follow_links(std::string path, std::string &out) {
    std::vector<char> buf(PATH_MAX);
    for (int i = 0; i <= kMaxLinks; ++i) {
        struct stat st;
        if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            out = path;
            return true;
        }
        ssize_t n = readlink(path.c_str(), buf.data(), buf.size());
        if (n < 0) {
            out = path;
            return true;
        }
        if (static_cast<std::size_t>(n) == buf.size()) {
            errno = ENAMETOOLONG;
            return false;
        }
        std::string link(buf.data(), static_cast<std::size_t>(n));
        path = link[0] == '/' ? link : directory_of(path) + "/" + link;
    }
    errno = ELOOP;
    return false;
}

// Removes the temporary files that saves killed part-way left beside `target`: those named for
// a process that no longer runs. A file of a running process (another copy of the game saving
// right now, or one whose pid was taken again) is kept; so is anything not named like ours.
void clear_leftovers(const std::string &target) {
    std::string dir = directory_of(target);
    std::size_t slash = target.rfind('/');
    std::string prefix = (slash == std::string::npos ? target : target.substr(slash + 1));
    prefix += kTempInfix;
    DIR *d = opendir(dir.c_str());
    if (!d) return;
    while (dirent *e = readdir(d)) {
        std::string name = e->d_name;
        if (name.compare(0, prefix.size(), prefix) != 0) continue;
        std::string digits = name.substr(prefix.size());
        if (digits.empty() || digits.size() > 10 ||
            digits.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        long long pid = std::stoll(digits);
        // kill(0, ...) and kill(-1, ...) would ask about groups of processes, not one.
        if (pid <= 0 || pid > INT_MAX || pid == getpid()) continue;
        if (kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
        struct stat st;
        if (fstatat(dirfd(d), e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode)) {
            unlinkat(dirfd(d), e->d_name, 0);
        }
    }
    closedir(d);
}

// The plain save for a directory that cannot hold a temporary file: the file is rewritten where
// it is, so a crash part-way can leave it short.
int write_in_place(const std::string &target, const std::string &bytes) {
    int fd = open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) return -1;
    bool ok = write_all(fd, bytes) && fsync(fd) == 0;
    int error = errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    return ok ? 0 : fail(-2, error);
}

}  // namespace

int kt_data_ReplaceFile(const std::string &path, const std::string &bytes) {
    std::string target;
    if (!follow_links(path, target)) return -1;
    struct stat old;
    bool exists = stat(target.c_str(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode)) return fail(-1, EISDIR);
    // The owner's write bit, not access(): root may write anything, yet a file the player made
    // read-only is meant to stay as it is.
    if (exists && !(old.st_mode & S_IWUSR)) return fail(-1, EACCES);

    clear_leftovers(target);
    std::string temp = target + kTempInfix + std::to_string(getpid());
    int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        if (exists && S_ISREG(old.st_mode)) return write_in_place(target, bytes);
        return -1;
    }
    // The replacement keeps the permissions the player may have given the old file.
    if (exists && S_ISREG(old.st_mode)) fchmod(fd, old.st_mode & 07777);

    bool ok = write_all(fd, bytes) && fsync(fd) == 0;
    int error = errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && rename(temp.c_str(), target.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        unlink(temp.c_str());
        return fail(-2, error);
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

namespace {

// The platform name of a state path; false (errno EINVAL) when it does not resolve.
bool StateFileName(KtGame &game, const char *path, std::string &name) {
    String resolved = game.PathToFilePath(String(path));
    errno = EINVAL;
    return resolved.Length() != 0 && kt_data_ToFileName(resolved, name);
}

// At most kt_data_MaxStateBytes + 1 bytes of the file: one more than the bound tells a file that
// exceeds it, whatever kind of file it is. False when it cannot be opened.
bool ReadBounded(const std::string &name, std::string &bytes) {
    std::FILE *f = std::fopen(name.c_str(), "rb");
    if (!f) return false;
    bytes.resize(kt_data_MaxStateBytes + 1);
    bytes.resize(std::fread(&bytes[0], 1, bytes.size(), f));
    std::fclose(f);
    return true;
}

void ReportKept(const char *what, bool kept) {
    std::string line = std::string("The game state in .vantorstate ") + what;
    line += kept ? "; it is kept as .vantorstate.damaged"
                 : std::string(", and could not be kept as .vantorstate.damaged: ") +
                       std::strerror(errno);
    ktPrint(String(line.c_str()));
}

}  // namespace

int KtGame::SaveState(String state) {
    std::string name;
    int result = -1;
    if (StateFileName(*this, kStateFile, name)) result = kt_data_ReplaceFile(name, state.ToUtf8());
    // The game cannot act on a failure, but a player who finds the highscores gone can read why.
    if (result != 0) {
        ktPrint(String("Could not save the game state to .vantorstate: ") +
                String(std::strerror(errno)));
    }
    return result;
}

String KtGame::LoadState() {
    std::string name, bytes;
    if (!StateFileName(*this, kStateFile, name) || !ReadBounded(name, bytes)) return String();
    if (bytes.size() <= static_cast<std::size_t>(kt_data_MaxStateBytes)) {
        return String::Decode(reinterpret_cast<const unsigned char *>(bytes.data()),
                              static_cast<int>(bytes.size()));
    }
    // Not a state the game wrote: moved aside whole, unread, and the game starts afresh.
    std::string damaged;
    bool kept = StateFileName(*this, kDamagedStateFile, damaged) &&
                std::rename(name.c_str(), damaged.c_str()) == 0;
    const std::string what = "is larger than " + std::to_string(kt_data_MaxStateBytes / 1024) +
                             " KiB, more than any save";
    ReportKept(what.c_str(), kept);
    return String();
}

void KtGame::KeepDamagedState() {
    std::string name, damaged, bytes;
    bool kept = StateFileName(*this, kStateFile, name) && ReadBounded(name, bytes) &&
                StateFileName(*this, kDamagedStateFile, damaged) &&
                kt_data_ReplaceFile(damaged, bytes) == 0;
    ReportKept("failed its checksum", kept);
}
