#pragma once

#include "models/ProfileData.h"

#include <QMetaType>

#include <cstdint>
#include <memory>
#include <string>

// The shared handle of one profile. Built-in profiles are read-only; a copy of any wrapper is
// writable and owns a deep copy of the data, which is how a read-only profile becomes editable.
class ProfileDataWrapper
{
public:
    // Both let the reader's std::runtime_error through.
    static ProfileDataWrapper fromFile(const std::string& path, bool writable);
    static ProfileDataWrapper fromXml(const std::string& xmlText, bool writable);

    explicit ProfileDataWrapper(const ProfileData& data);
    ProfileDataWrapper(const ProfileDataWrapper& other);
    ProfileDataWrapper(ProfileDataWrapper&&) noexcept = default;
    ProfileDataWrapper& operator=(const ProfileDataWrapper&) = delete;
    ProfileDataWrapper& operator=(ProfileDataWrapper&&) = delete;

    bool isWritable() const { return m_writable != 0; }
    const ProfileData* data() const { return m_data.get(); }

    // A further owner of the data for editing; throws std::runtime_error on a read-only profile.
    std::shared_ptr<ProfileData> editableData() const;

    // The name under which the current-profile setting finds the profile again: the file name of
    // a writable profile, the display name of a read-only one.
    std::string identifier() const;

private:
    ProfileDataWrapper(std::shared_ptr<ProfileData> data, bool writable);

    std::uint32_t m_writable = 1;
    std::shared_ptr<ProfileData> m_data;
};

// Widgets keep profiles in item data as weak handles; the type is registered under the name
// "std::weak_ptr<const ProfileDataWrapper>" before main runs.
Q_DECLARE_METATYPE(std::weak_ptr<const ProfileDataWrapper>)
