#pragma once
// Takes pieces off the front of a fuzzer's input, and stops the fuzzer on a broken promise.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace vorna::fuzz {

// An abort is what libFuzzer reports, with the input that caused it.
inline void Require(bool condition) {
    if (!condition)
        std::abort();
}

class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size)
        : m_data(reinterpret_cast<const char*>(data)), m_size(size) {}

    unsigned char Byte() {
        if (m_pos >= m_size)
            return 0;
        return static_cast<unsigned char>(m_data[m_pos++]);
    }
    std::string Take(std::size_t n) {
        if (n > m_size - m_pos)
            n = m_size - m_pos;
        std::string out(m_data + m_pos, n);
        m_pos += n;
        return out;
    }
    std::string Rest() { return Take(m_size - m_pos); }

private:
    const char* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

} // namespace vorna::fuzz
