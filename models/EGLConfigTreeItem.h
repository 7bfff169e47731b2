#pragma once

#include "models/ProfileTreeItem.h"

namespace models {

// A row of the EGL configuration tree: a configuration (top level, keyed by its id) or one
// attribute of it (keyed by the EGL attribute value). Well-known EGL token texts in attribute
// values are stored as their numbers and shown by name again.
class EGLConfigTreeItem : public ProfileTreeItem
{
public:
    EGLConfigTreeItem(const QVariant& key, const QVariant& value, ProfileTreeItem* parent);

    QVariant data(int column, int role) const override;
    bool setData(int column, const QVariant& value);

private:
    void setValueFromText(const QVariant& value);
    QVariant configText() const;
    QVariant eglAttributeText() const;
    QVariant eglValueText() const;

    QVariant key;
    QVariant itemValue;
};

} // namespace models
