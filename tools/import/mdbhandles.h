#pragma once

#include <iconv.h>
#include <memory>
#include <mdbtools.h>

namespace jetimport {

// Owners for what libmdb and iconv hand out. A table definition holds its columns
// and indexes, and the file handle its catalogue, so those need no owner of their own.
struct CloseMdb {
    void operator()(MdbHandle* mdb) const noexcept { mdb_close(mdb); }
};
struct FreeTableDef {
    void operator()(MdbTableDef* table) const noexcept { mdb_free_tabledef(table); }
};

using MdbFileHandle = std::unique_ptr<MdbHandle, CloseMdb>;
using MdbTableHandle = std::unique_ptr<MdbTableDef, FreeTableDef>;

class IconvHandle {
public:
    IconvHandle() = default;
    explicit IconvHandle(iconv_t handle) : m_handle(handle) {}
    ~IconvHandle() { reset(); }
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;
    IconvHandle(IconvHandle&& other) noexcept : m_handle(other.m_handle) { other.m_handle = invalid(); }
    IconvHandle& operator=(IconvHandle&& other) noexcept
    {
        if (this != &other) {
            reset();
            m_handle = other.m_handle;
            other.m_handle = invalid();
        }
        return *this;
    }

    bool isValid() const { return m_handle != invalid(); }
    iconv_t get() const { return m_handle; }

private:
    static iconv_t invalid() { return reinterpret_cast<iconv_t>(-1); }
    void reset() noexcept
    {
        if (isValid())
            iconv_close(m_handle);
        m_handle = invalid();
    }

    iconv_t m_handle = invalid();
};

} // namespace jetimport
