#pragma once

#include "models/ProfileNode.h"
#include "models/ProfileTree.h"

#include <map>
#include <vector>

namespace models {

// The implementation limits and formats of each OpenGL ES version: version rows at the top,
// below them one row per limit node, nested as the nodes are.
class ESCapabilityTree : public ProfileTree
{
    Q_OBJECT

public:
    ESCapabilityTree(QObject* parent, const std::map<int, std::vector<ProfileNode>>& capabilities);

    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // Setting a row's key to a known limit gives the row that limit's sub-key rows.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    bool insertRows(int row, int count, const QModelIndex& parent = {}) override;
    bool removeRows(int row, int count, const QModelIndex& parent = {}) override;

private:
    void replaceChildrenForKey(const QModelIndex& index, const QVariant& key);
};

} // namespace models
