#pragma once

#include "models/ProfileNode.h"

#include <QAbstractItemModel>

#include <vector>

// Reading a profile back from its tree models. Everything is read through the model's own
// interface with Qt::EditRole, so the stored forms are what ends up in the profile.

// Appends one node per row under `parent`, recursively, with no check against the key tables.
void collectNodes(const QModelIndex& parent, const QAbstractItemModel& model,
                  std::vector<ProfileNode>& out);

// Places the attribute rows of one EGL configuration into `out`. Over an EGL configuration tree,
// the nodes the configuration was built from come back as they were, in their order, with what
// the tree does not show (unknown attributes, deeper paths); each row that still names the
// attribute it was built from writes its value into its own leaf, and the leaves of deleted
// rows go. Other rows are appended along their element paths; those whose attribute is not a
// known key are dropped. Every row keeps its own leaf: a repeated attribute (the bit-mask ones
// are repeated once per bit) gives one element per row.
void collectAttributes(const QModelIndex& configuration, const QAbstractItemModel& model,
                       std::vector<ProfileNode>& out);
