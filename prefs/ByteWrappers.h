#pragma once

#include <cstddef>
#include <streambuf>
#include <vector>

// Reads a byte range that someone else owns, in place. Sets no get area, so every read goes
// through underflow/uflow and the range is never copied.
class CImmutableByteWrapper : public std::basic_streambuf<char>
{
public:
    CImmutableByteWrapper(const char* start, std::size_t length)
        : m_begin(start), m_end(start + length), m_current(start)
    {}

protected:
    std::streamsize showmanyc() override;
    int_type underflow() override;
    int_type uflow() override;
    int_type pbackfail(int_type c) override;

private:
    const char* m_begin;
    const char* m_end;
    const char* m_current;
};

// Collects bulk writes in a growable array. Single-character writes fail on purpose: the
// encoders only ever write whole blocks.
class CVectorByteWrapper : public std::basic_streambuf<char>
{
public:
    const std::vector<char>& bytes() const { return m_bytes; }

protected:
    std::streamsize xsputn(const char* s, std::streamsize n) override;

private:
    std::vector<char> m_bytes;
};
