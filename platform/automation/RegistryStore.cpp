#include "platform/automation/RegistryStore.h"
#include "platform/automation/Utf.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace automation {
namespace {

// The file: a header line, one line per key in tree order ("path" or "path=value", UTF-8, with
// %-escapes for '%', '=', CR and LF in names and '%', CR and LF in values), and a closing line.
// A key line that would read as the closing line is written with its first letter escaped, and a
// lone surrogate as the %-escaped three bytes it would take if it were a character, so every text
// comes back as it went in. A file without its closing line is damaged and never overwritten.
constexpr std::string_view kHeader = "tessel registry 1";
constexpr std::string_view kTrailer = "end";

std::recursive_mutex g_mutex; // threads of this process; the file lock covers other processes
std::string g_lastProblem;    // under g_mutex
std::string g_reportedProblem; // the damage last written to the debug output

void AppendEscaped(std::string& out, unsigned char byte) {
    char buffer[4];
    std::snprintf(buffer, sizeof buffer, "%%%02X", unsigned(byte));
    out += buffer;
}

std::string Escape(std::u16string_view text, bool name) {
    std::string out;
    size_t plain = 0; // start of the run not yet converted
    auto flush = [&](size_t end) {
        for (char c : ToUtf8(text.substr(plain, end - plain))) {
            if (c == '%' || c == '\n' || c == '\r' || (name && c == '='))
                AppendEscaped(out, static_cast<unsigned char>(c));
            else
                out += c;
        }
    };
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        const bool high = c >= 0xD800 && c <= 0xDBFF;
        if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            ++i; // a pair: a character of its own
            continue;
        }
        if (c < 0xD800 || c > 0xDFFF)
            continue;
        flush(i);
        AppendEscaped(out, 0xE0 | (c >> 12));
        AppendEscaped(out, 0x80 | ((c >> 6) & 0x3F));
        AppendEscaped(out, 0x80 | (c & 0x3F));
        plain = i + 1;
    }
    flush(text.size());
    return out;
}

// UTF-8 as Escape writes it: lone surrogates in their three-byte form are taken as they are.
std::u16string Decode(const std::string& bytes) {
    std::u16string out;
    size_t plain = 0;
    for (size_t i = 0; i + 2 < bytes.size(); ++i) {
        const auto b0 = static_cast<unsigned char>(bytes[i]);
        const auto b1 = static_cast<unsigned char>(bytes[i + 1]);
        const auto b2 = static_cast<unsigned char>(bytes[i + 2]);
        if (b0 != 0xED || b1 < 0xA0 || b1 > 0xBF || (b2 & 0xC0) != 0x80)
            continue;
        out += FromUtf8(std::string_view(bytes).substr(plain, i - plain));
        out += char16_t(0xD000 | ((b1 & 0x3F) << 6) | (b2 & 0x3F));
        i += 2;
        plain = i + 1;
    }
    out += FromUtf8(std::string_view(bytes).substr(plain));
    return out;
}

bool Unescape(std::string_view text, std::u16string& out) {
    std::string bytes;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            bytes += text[i];
            continue;
        }
        if (i + 2 >= text.size() || !std::isxdigit(static_cast<unsigned char>(text[i + 1])) ||
            !std::isxdigit(static_cast<unsigned char>(text[i + 2])))
            return false;
        bytes += char(std::stoi(std::string(text.substr(i + 1, 2)), nullptr, 16));
        i += 2;
    }
    out = Decode(bytes);
    return true;
}

void Write(const RegistryNode& node, const std::string& prefix, std::string& out) {
    for (const auto& [folded, child] : node.children) {
        std::string path =
            prefix.empty() ? Escape(child.name, true) : prefix + "\\" + Escape(child.name, true);
        if (path == kTrailer && !child.value)
            path = "%65" + path.substr(1); // a key named like the closing line
        out += path;
        if (child.value) {
            out += '=';
            out += Escape(*child.value, false);
        }
        out += '\n';
        Write(child, path, out);
    }
}

std::string Serialize(const RegistryNode& root) {
    std::string out(kHeader);
    out += '\n';
    Write(root, {}, out);
    out += kTrailer;
    out += '\n';
    return out;
}

// Reads the file's text; on damage, *problem says which line (1-based) and why.
bool Parse(const std::string& text, RegistryNode& root, std::string* problem) {
    root = RegistryNode{};
    if (text.empty())
        return true; // a new file
    size_t pos = 0;
    size_t number = 0;
    bool ended = false;
    auto damaged = [&](const char* why) {
        *problem = std::to_string(number) + ": " + why;
        return false;
    };
    while (pos < text.size()) {
        ++number;
        size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            return damaged("the line is cut short (a write did not finish)");
        std::string_view line(text.data() + pos, end - pos);
        pos = end + 1;
        if (ended)
            return damaged("a line after the closing line \"end\"");
        if (number == 1) {
            if (line != kHeader)
                return damaged("not a registry file (the first line is not \"tessel registry 1\")");
            continue;
        }
        if (line == kTrailer) {
            ended = true;
            continue;
        }
        const size_t equals = line.find('=');
        std::u16string path;
        if (!Unescape(line.substr(0, equals), path))
            return damaged("a key name with a broken %-escape");
        if (RegistryStore::SplitPath(path).empty())
            return damaged("a line without a key name");
        RegistryNode& node = root.Create(path);
        if (equals != std::string_view::npos) {
            std::u16string value;
            if (!Unescape(line.substr(equals + 1), value))
                return damaged("a value with a broken %-escape");
            node.value = std::move(value);
        }
    }
    if (!ended) {
        ++number;
        return damaged("the closing line \"end\" is missing (a write did not finish)");
    }
    return true;
}

bool SameTree(const RegistryNode& a, const RegistryNode& b) {
    if (a.name != b.name || a.value != b.value || a.children.size() != b.children.size())
        return false;
    auto i = a.children.begin();
    auto j = b.children.begin();
    for (; i != a.children.end(); ++i, ++j)
        if (i->first != j->first || !SameTree(i->second, j->second))
            return false;
    return true;
}

std::string Directory(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool MakeDirectories(const std::string& dir) {
    struct stat st;
    if (::stat(dir.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode);
    const std::string parent = Directory(dir);
    if (parent != dir && !MakeDirectories(parent))
        return false;
    return ::mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST;
}

LSTATUS StatusOf(int error) {
    return error == EACCES || error == EPERM || error == EROFS ? ERROR_ACCESS_DENIED : ERROR_WRITE_FAULT;
}

bool ReadAll(int fd, std::string& out) {
    out.clear();
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)
            return true;
        out.append(buffer, size_t(n));
    }
}

bool WriteAll(int fd, const std::string& data) {
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += size_t(n);
    }
    return true;
}

// Holds the lock file of the registry for one operation.
class FileLock {
public:
    FileLock(const std::string& path, bool exclusive) {
        m_fd = ::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (m_fd >= 0) {
            while (::flock(m_fd, exclusive ? LOCK_EX : LOCK_SH) != 0 && errno == EINTR) {
            }
        }
    }
    ~FileLock() {
        if (m_fd >= 0)
            ::close(m_fd); // releases the lock
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

private:
    int m_fd = -1;
};

LSTATUS Load(const std::string& path, RegistryNode& root) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        root = RegistryNode{};
        return errno == ENOENT ? ERROR_SUCCESS : StatusOf(errno);
    }
    std::string text;
    const bool read = ReadAll(fd, text);
    const int readError = errno;
    ::close(fd);
    std::string problem; // "LINE: why"
    if (!read)
        problem = std::string("cannot be read: ") + std::strerror(readError);
    else if (Parse(text, root, &problem))
        return ERROR_SUCCESS;
    // Damage is told once per process on the debug output, and kept for RegistryProblem().
    g_lastProblem = path + ":" + problem;
    if (g_lastProblem != g_reportedProblem) {
        g_reportedProblem = g_lastProblem;
        const std::u16string line =
            FromUtf8("registry file damaged, left as it is: " + g_lastProblem + "\n");
        OutputDebugStringW(line.c_str());
    }
    return ERROR_BADDB;
}

LSTATUS Save(const std::string& path, const RegistryNode& root) {
    const std::string dir = Directory(path);
    const std::string temp = path + ".tmp." + std::to_string(::getpid());
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return StatusOf(errno);
    const bool written = WriteAll(fd, Serialize(root)) && ::fsync(fd) == 0;
    const int writeError = errno;
    if (::close(fd) != 0 || !written) {
        ::unlink(temp.c_str());
        return StatusOf(written ? errno : writeError);
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        return StatusOf(error);
    }
    // The rename itself reaches the disk with the directory.
    const int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return ERROR_SUCCESS;
}

} // namespace

RegistryNode* RegistryNode::Find(std::u16string_view path) {
    RegistryNode* node = this;
    for (std::u16string_view part : RegistryStore::SplitPath(path)) {
        auto it = node->children.find(RegistryStore::Fold(part));
        if (it == node->children.end())
            return nullptr;
        node = &it->second;
    }
    return node;
}

const RegistryNode* RegistryNode::Find(std::u16string_view path) const {
    return const_cast<RegistryNode*>(this)->Find(path);
}

RegistryNode& RegistryNode::Create(std::u16string_view path) {
    RegistryNode* node = this;
    for (std::u16string_view part : RegistryStore::SplitPath(path)) {
        RegistryNode& child = node->children[RegistryStore::Fold(part)];
        if (child.name.empty())
            child.name = part;
        node = &child;
    }
    return *node;
}

bool RegistryNode::Remove(std::u16string_view path) {
    auto parts = RegistryStore::SplitPath(path);
    if (parts.empty())
        return false;
    RegistryNode* parent = this;
    for (size_t k = 0; k + 1 < parts.size(); ++k) {
        auto it = parent->children.find(RegistryStore::Fold(parts[k]));
        if (it == parent->children.end())
            return false;
        parent = &it->second;
    }
    return parent->children.erase(RegistryStore::Fold(parts.back())) > 0;
}

std::vector<std::u16string_view> RegistryStore::SplitPath(std::u16string_view path) {
    std::vector<std::u16string_view> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find(u'\\', start);
        if (end == std::u16string_view::npos)
            end = path.size();
        if (end > start)
            parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

std::u16string RegistryStore::Fold(std::u16string_view name) {
    std::u16string folded(name);
    for (char16_t& c : folded)
        if (c >= u'A' && c <= u'Z')
            c = char16_t(c - u'A' + u'a');
    return folded;
}

std::string RegistryStore::FilePath() {
    if (const char* explicitPath = std::getenv("TESSEL_REGISTRY"); explicitPath && *explicitPath)
        return explicitPath;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/')
        return std::string(config) + "/tessel/registry";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.config/tessel/registry";
}

std::string RegistryStore::LastProblem() {
    std::lock_guard guard(g_mutex);
    return g_lastProblem;
}

LSTATUS RegistryStore::Read(const std::function<LSTATUS(const RegistryNode& root)>& read) {
    std::lock_guard guard(g_mutex);
    const std::string path = FilePath();
    FileLock lock(path, false);
    RegistryNode root;
    if (LSTATUS status = Load(path, root); status != ERROR_SUCCESS)
        return status;
    return read(root);
}

LSTATUS RegistryStore::Update(const std::function<LSTATUS(RegistryNode& root)>& change) {
    std::lock_guard guard(g_mutex);
    const std::string path = FilePath();
    if (!MakeDirectories(Directory(path)))
        return ERROR_ACCESS_DENIED;
    FileLock lock(path, true);
    RegistryNode before;
    if (LSTATUS status = Load(path, before); status != ERROR_SUCCESS)
        return status;
    RegistryNode after = before;
    if (LSTATUS status = change(after); status != ERROR_SUCCESS)
        return status;
    if (SameTree(before, after))
        return ERROR_SUCCESS;
    return Save(path, after);
}

} // namespace automation
