#pragma once

#include "models/ProfileTreeItem.h"

namespace models {

// Common base of the rows of the two OpenGL ES trees, whose top-level rows are API versions.
class ESTreeItem : public ProfileTreeItem
{
public:
    explicit ESTreeItem(ProfileTreeItem* parent);

protected:
    // The API level's name for a stored version number; anything else as stored.
    static QVariant apiText(const QVariant& version);
};

// A row of the capability tree: a version (top level), a limit, or a limit's sub-key.
class ESCapabilityTreeItem : public ESTreeItem
{
public:
    ESCapabilityTreeItem(const QVariant& key, const QVariant& value, ProfileTreeItem* parent);

    QVariant data(int column, int role) const override;
    bool setData(int column, const QVariant& value);

private:
    QVariant capabilityKeyText() const;
    QVariant capabilityValueText() const;

    QVariant key;
    QVariant itemValue;
};

// A row of the extension tree: a version (top level) or an extension name.
class ESExtensionTreeItem : public ESTreeItem
{
public:
    ESExtensionTreeItem(const QVariant& value, ProfileTreeItem* parent);

    QVariant data(int column, int role) const override;
    int columnCount() const override;
    bool setData(int column, const QVariant& value);

private:
    QVariant itemValue;
};

} // namespace models
