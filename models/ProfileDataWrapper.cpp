#include "models/ProfileDataWrapper.h"

#include <stdexcept>
#include <utility>

namespace {

[[maybe_unused]] const int handleMetaTypeId =
    qRegisterMetaType<std::weak_ptr<const ProfileDataWrapper>>(
        "std::weak_ptr<const ProfileDataWrapper>");

} // namespace

ProfileDataWrapper::ProfileDataWrapper(std::shared_ptr<ProfileData> data, bool writable)
    : m_writable(writable ? 1 : 0), m_data(std::move(data))
{}

ProfileDataWrapper ProfileDataWrapper::fromFile(const std::string& path, bool writable)
{
    return ProfileDataWrapper(std::make_shared<ProfileData>(ProfileData::fromFile(path)), writable);
}

ProfileDataWrapper ProfileDataWrapper::fromXml(const std::string& xmlText, bool writable)
{
    return ProfileDataWrapper(std::make_shared<ProfileData>(ProfileData::fromXml(xmlText)),
                              writable);
}

ProfileDataWrapper::ProfileDataWrapper(const ProfileData& data)
    : m_writable(1), m_data(std::make_shared<ProfileData>(data))
{}

// A copy is how a read-only profile becomes editable: it owns its own data and is writable.
ProfileDataWrapper::ProfileDataWrapper(const ProfileDataWrapper& other)
    : m_writable(1), m_data(std::make_shared<ProfileData>(*other.m_data))
{}

std::shared_ptr<ProfileData> ProfileDataWrapper::editableData() const
{
    if (!m_writable)
        throw std::runtime_error("Tried to edit a read-only profile: '" + m_data->displayName() +
                                 "'");
    return m_data;
}

std::string ProfileDataWrapper::identifier() const
{
    return m_writable ? m_data->fileName() : m_data->displayName();
}
