#pragma once

#include "models/ProfileNode.h"
#include "models/ProfileTree.h"

#include <map>
#include <vector>

namespace models {

// The EGL configurations: one row per configuration id, below it one row per known attribute
// leaf, flattened (a "max_pbuffer" element gives one row per width, height, pixels child).
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
};

} // namespace models
