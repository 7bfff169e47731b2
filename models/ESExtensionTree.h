#pragma once

#include "models/ProfileTree.h"

#include <map>
#include <string>
#include <vector>

namespace models {

// The extension names of each OpenGL ES version: version rows at the top, one row per name
// below. A single column throughout.
class ESExtensionTree : public ProfileTree
{
    Q_OBJECT

public:
    ESExtensionTree(QObject* parent, const std::map<int, std::vector<std::string>>& extensions);

    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    bool insertRows(int row, int count, const QModelIndex& parent = {}) override;
    bool removeRows(int row, int count, const QModelIndex& parent = {}) override;
};

} // namespace models
