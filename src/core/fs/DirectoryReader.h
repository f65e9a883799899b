#pragma once

#include <cstddef>
#include <cstdint>
#include <dirent.h>
#include <vector>

// Lists open folders with getdents64, in the order the file system gives, leaving out
// "." and "..". d_type comes with each name, so most entries need no stat. One reader
// lists one folder at a time and reuses its buffer for the next. Not thread-safe.
class DirectoryReader
{
public:
    struct Entry
    {
        const char *name; // NUL-terminated, valid until the next call of next()
        std::size_t length;
        unsigned char type; // DT_DIR, DT_REG, DT_LNK, ..., DT_UNKNOWN
    };

    DirectoryReader();

    // Lists fd from its current offset (0 for a freshly opened folder). With
    // shortReadEnds, a read that leaves room for the longest entry ends the listing
    // without asking again: only for file systems that fill every read (FileSystemTraits).
    void start(int fd, bool shortReadEnds = false);
    // The next entry; false at the end of the folder or on a failure (see error()).
    [[nodiscard]] bool next(Entry &entry);
    // The errno of the failure that ended the listing, 0 when it reached the end.
    [[nodiscard]] int error() const { return m_error; }

private:
    std::vector<std::uint64_t> m_buffer; // 64-bit words: dirent64 wants 8-byte alignment
    int m_fd = -1;
    std::size_t m_position = 0;
    std::size_t m_filled = 0;
    int m_error = 0;
    bool m_ended = true;
    bool m_shortReadEnds = false;
};
