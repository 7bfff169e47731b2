#pragma once

#include "models/ProfileNode.h"
#include "models/ProfileTreeItem.h"

#include <QStringList>

#include <cstddef>
#include <vector>

namespace models {

// Whether an attribute's element can hold a value: a decimal number, or one of the names that
// eglValueNames gives for the attribute. Anything else would be written into the profile as it
// is and read back by the emulation layer as garbage.
bool eglValueFits(int attribute, const QVariant& value);
// The names an attribute's element may hold besides decimal numbers: EGL tokens, bit names.
QStringList eglValueNames(int attribute);

// A row of the EGL configuration tree: a configuration (top level, keyed by its id) or one
// attribute of it (keyed by the EGL attribute value). Well-known EGL token texts in attribute
// values are stored as their numbers and shown by name again.
class EGLConfigTreeItem : public ProfileTreeItem
{
public:
    EGLConfigTreeItem(const QVariant& key, const QVariant& value, ProfileTreeItem* parent);

    QVariant data(int column, int role) const override;
    bool setData(int column, const QVariant& value);

    // A configuration row keeps the nodes it was built from, and an attribute row the place of
    // its leaf among them (child indices from the top), so that writing the rows back can keep
    // everything the tree does not show. Rows added later have neither.
    void setSourceNodes(std::vector<ProfileNode> nodes) { sourceNodes = std::move(nodes); }
    const std::vector<ProfileNode>& nodesBuiltFrom() const { return sourceNodes; }
    void setSourcePlace(std::vector<std::size_t> place) { sourcePlace = std::move(place); }
    const std::vector<std::size_t>& placeBuiltFrom() const { return sourcePlace; }

private:
    void setValueFromText(const QVariant& value);
    QVariant configText() const;
    QVariant eglAttributeText() const;
    QVariant eglValueText() const;

    QVariant key;
    QVariant itemValue;
    std::vector<ProfileNode> sourceNodes;
    std::vector<std::size_t> sourcePlace;
};

} // namespace models
