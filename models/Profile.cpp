#include "models/Profile.h"

#include "models/ProfileDataWrapper.h"

namespace models {

Profile::Profile(QObject* parent, const std::weak_ptr<const ProfileDataWrapper>& profile)
    : QObject(parent)
{
    // A profile that has gone away shows as empty trees rather than taking the editor down.
    const std::shared_ptr<const ProfileDataWrapper> wrapper = profile.lock();
    const ProfileData empty;
    const ProfileData& data = wrapper ? *wrapper->data() : empty;
    m_capabilityTree = new ESCapabilityTree(this, data.capabilities);
    m_extensionTree = new ESExtensionTree(this, data.extensions);
    m_eglConfigTree = new EGLConfigTree(this, data.eglConfigs);
}

void Profile::setEditable(bool isEditable)
{
    editable = isEditable;
    m_capabilityTree->setEditable(isEditable);
    m_extensionTree->setEditable(isEditable);
    m_eglConfigTree->setEditable(isEditable);
}

} // namespace models
