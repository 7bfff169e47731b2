#pragma once

#include "models/EGLConfigTree.h"
#include "models/ESCapabilityTree.h"
#include "models/ESExtensionTree.h"

#include <QObject>

#include <memory>

class ProfileDataWrapper;

namespace models {

// The three tree models of one shown profile, built from copies of its maps. The models never
// write to the profile; ProfileData::updateFromModels reads the edits back when it is saved.
class Profile : public QObject
{
    Q_OBJECT

public:
    // The handle must be live for the whole call.
    Profile(QObject* parent, const std::weak_ptr<const ProfileDataWrapper>& profile);

    bool isEditable() const { return editable; }
    // Switches all three trees; views see the new flags the next time they ask.
    void setEditable(bool isEditable);

    ESCapabilityTree* capabilityTree() const { return m_capabilityTree; }
    ESExtensionTree* extensionTree() const { return m_extensionTree; }
    EGLConfigTree* eglConfigTree() const { return m_eglConfigTree; }

private:
    bool editable = false;
    ESCapabilityTree* m_capabilityTree = nullptr;
    ESExtensionTree* m_extensionTree = nullptr;
    EGLConfigTree* m_eglConfigTree = nullptr;
};

} // namespace models
