#include "core/fs/DirectoryReader.h"

#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstring>
#include <dirent.h>
#include <sys/types.h>

namespace {
constexpr std::size_t s_bufferBytes = 64 * 1024;
// The record of a name of NAME_MAX bytes, as getdents64 aligns it.
constexpr std::size_t s_longestRecord = (offsetof(dirent64, d_name) + NAME_MAX + 1 + 7) & ~std::size_t(7);
} // namespace

DirectoryReader::DirectoryReader()
    : m_buffer(s_bufferBytes / sizeof(std::uint64_t))
{
}

void DirectoryReader::start(int fd, bool shortReadEnds)
{
    m_fd = fd;
    m_shortReadEnds = shortReadEnds;
    m_position = 0;
    m_filled = 0;
    m_error = 0;
    m_ended = false;
}

bool DirectoryReader::next(Entry &entry)
{
    char *bytes = reinterpret_cast<char *>(m_buffer.data());
    for (;;) {
        if (m_position >= m_filled) {
            if (m_ended)
                return false;
            const ssize_t read = ::getdents64(m_fd, bytes, s_bufferBytes);
            if (read <= 0) {
                m_ended = true;
                m_error = read < 0 ? errno : 0;
                return false;
            }
            m_position = 0;
            m_filled = static_cast<std::size_t>(read);
            // Saves the call that would only say "no more": one per folder.
            m_ended = m_shortReadEnds && m_filled + s_longestRecord <= s_bufferBytes;
        }
        const auto *record = reinterpret_cast<const dirent64 *>(bytes + m_position);
        m_position += record->d_reclen;
        const char *name = record->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        entry.name = name;
        entry.length = std::strlen(name);
        entry.type = record->d_type;
        return true;
    }
}
