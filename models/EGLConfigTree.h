#pragma once

#include "models/ProfileNode.h"
#include "models/ProfileTree.h"

#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace models {

// A leaf's place among a configuration's nodes: the child index at each level from the top.
using NodePlace = std::vector<std::size_t>;

// Calls shown for every leaf of nodes that the tree shows as a row (its whole element path names
// a known attribute), in document order, with its place, the attribute and the leaf.
void forEachShownLeaf(
    const std::vector<ProfileNode>& nodes,
    const std::function<void(const NodePlace&, int attribute, const ProfileNode&)>& shown);

// The EGL configurations: one row per configuration id, below it one row per known attribute
// leaf, flattened (a "max_pbuffer" element gives one row per width, height, pixels child).
// Leaves of unknown attributes get no row; the configuration row keeps them for the way back.
class EGLConfigTree : public ProfileTree
{
    Q_OBJECT

public:
    EGLConfigTree(QObject* parent, const std::map<int, std::vector<ProfileNode>>& configs);

    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    bool insertRows(int row, int count, const QModelIndex& parent = {}) override;
    bool removeRows(int row, int count, const QModelIndex& parent = {}) override;

    // Why a cell cannot take a value, empty when it can. A configuration id that another
    // configuration holds would merge the two when the profile is written, and an attribute value
    // that is neither a decimal number nor a name the attribute knows would be written as it is.
    // setData refuses what this refuses.
    QString refusal(const QModelIndex& index, const QVariant& value) const;

    // The nodes a configuration row was built from; none for a row added since.
    const std::vector<ProfileNode>& nodesBuiltFrom(const QModelIndex& configuration) const;
    // Where an attribute row's leaf lies in those nodes; empty for a row added since.
    NodePlace placeBuiltFrom(const QModelIndex& attribute) const;
};

} // namespace models
