#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

// The matcher's compiled form on disk: plain arrays, each a length and its
// bytes, in the machine's own byte order (the file is a cache, made and read
// on the same machine). The reader checks every length against what is
// left, so a cut or damaged file fails to load instead of reading beyond it.
class StoredFormWriter
{
public:
    template <typename T> void value(const T &v)
    {
        static_assert(std::is_trivially_copyable_v<T>);
        append(&v, sizeof v);
    }
    template <typename T> void array(const std::vector<T> &items)
    {
        static_assert(std::is_trivially_copyable_v<T>);
        value(std::uint64_t(items.size()));
        append(items.data(), items.size() * sizeof(T));
    }
    void text(std::string_view s)
    {
        value(std::uint64_t(s.size()));
        append(s.data(), s.size());
    }
    std::string &bytes() { return m_bytes; }

private:
    void append(const void *data, std::size_t size)
    {
        m_bytes.append(static_cast<const char *>(data), size);
    }
    std::string m_bytes;
};

class StoredFormReader
{
public:
    explicit StoredFormReader(std::string_view bytes) : m_bytes(bytes) { }

    template <typename T> bool value(T *v)
    {
        static_assert(std::is_trivially_copyable_v<T>);
        return take(v, sizeof(T));
    }
    template <typename T> bool array(std::vector<T> *items)
    {
        static_assert(std::is_trivially_copyable_v<T>);
        std::uint64_t count = 0;
        if (!value(&count) || count > (m_bytes.size() - m_at) / sizeof(T))
            return false;
        items->resize(count);
        return take(items->data(), count * sizeof(T));
    }
    bool text(std::string *s)
    {
        std::uint64_t size = 0;
        if (!value(&size) || size > m_bytes.size() - m_at)
            return false;
        s->assign(m_bytes.substr(m_at, size));
        m_at += size;
        return true;
    }
    bool atEnd() const { return m_at == m_bytes.size(); }

private:
    bool take(void *out, std::size_t size)
    {
        if (size > m_bytes.size() - m_at)
            return false;
        if (size)
            std::memcpy(out, m_bytes.data() + m_at, size);
        m_at += size;
        return true;
    }
    std::string_view m_bytes;
    std::size_t m_at = 0;
};
