#pragma once

#include <memory>
#include <string>

class ProfileDataWrapper;

namespace widgets {

// What the profile editor asks of the application: where profiles live, the profile lists and
// the copies and new profiles it adds to them. The application object implements it, so the
// editor stays free of the application layer.
class ProfileServices
{
public:
    virtual ~ProfileServices() = default;

    // The profiles directory, UTF-8.
    virtual std::string profilesDirectory() const = 0;
    // Shows the profile with this identifier in the main window's selector (and so in the
    // editor); an unknown identifier selects no profile.
    virtual void selectProfile(const std::string& identifier) = 0;
    // Replaces the user profiles with what the profiles directory holds now and refreshes the
    // selector. Every weak handle to an old user profile expires.
    virtual void reloadUserProfiles() = 0;
    // A writable deep copy named after the source plus " (copy).xml", appended to the user list;
    // nothing is written to disk.
    virtual std::shared_ptr<ProfileDataWrapper> copyProfile(const ProfileDataWrapper& source) = 0;
    // Offers a copy of a read-only profile ("Save changes"); true with copy set to the new entry
    // when the user accepts, false with copy untouched otherwise.
    virtual bool saveReadOnlyProfile(const ProfileDataWrapper& source,
                                     std::shared_ptr<ProfileDataWrapper>& copy) = 0;
    // A writable profile from the new-profile template, appended to the user list, unsaved.
    virtual std::shared_ptr<ProfileDataWrapper> newProfile() = 0;
};

} // namespace widgets
