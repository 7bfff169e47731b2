#include "prefs/ByteWrappers.h"

#include <new>
#include <stdexcept>

std::streamsize CImmutableByteWrapper::showmanyc()
{
    return m_end - m_current;
}

CImmutableByteWrapper::int_type CImmutableByteWrapper::underflow()
{
    if (m_current == m_end)
        return traits_type::eof();
    return traits_type::to_int_type(*m_current);
}

CImmutableByteWrapper::int_type CImmutableByteWrapper::uflow()
{
    if (m_current == m_end)
        return traits_type::eof();
    return traits_type::to_int_type(*m_current++);
}

CImmutableByteWrapper::int_type CImmutableByteWrapper::pbackfail(int_type c)
{
    if (m_current == m_begin)
        return traits_type::eof();
    if (!traits_type::eq_int_type(c, traits_type::eof()) &&
        !traits_type::eq_int_type(c, traits_type::to_int_type(m_current[-1])))
        return traits_type::eof();
    --m_current;
    return traits_type::to_int_type(*m_current);
}

std::streamsize CVectorByteWrapper::xsputn(const char* s, std::streamsize n)
{
    try {
        m_bytes.insert(m_bytes.end(), s, s + n);
    } catch (const std::bad_alloc&) {
        return 0; // the stream turns this into its bad state
    } catch (const std::length_error&) {
        return 0;
    }
    return n;
}
