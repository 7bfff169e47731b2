#pragma once

#include <QStyledItemDelegate>

namespace widgets {

class ESAPISelector;

// The delegates pick each cell's editor: a value selector where the cell holds a key or an
// enumerated value, Qt's standard editor elsewhere. Values move through Qt's standard code,
// except that an editor left without a choice writes nothing back: a selector still on its
// current item, or any editor whose value reads as the stored text. An EGL cell refuses what
// its model refuses (an id another configuration holds, a value the attribute cannot hold):
// the cell keeps its value and a box says why. An editor may be larger than its cell: a selector
// is as wide as its longest name, and every editor as tall as it needs.
class EGLConfigTreeItemDelegate : public QStyledItemDelegate
{
public:
    explicit EGLConfigTreeItemDelegate(QObject* parent);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;
};

class ESTreeItemDelegate : public QStyledItemDelegate
{
public:
    explicit ESTreeItemDelegate(QObject* parent);

    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;

    // The API level editor of a top-level row: the row's level and the levels not yet present.
    static ESAPISelector* createAPIEditor(QWidget* parent, const QModelIndex& index);
};

class ESCapabilityTreeItemDelegate : public ESTreeItemDelegate
{
public:
    explicit ESCapabilityTreeItemDelegate(QObject* parent);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
};

class ESExtensionTreeItemDelegate : public ESTreeItemDelegate
{
public:
    explicit ESExtensionTreeItemDelegate(QObject* parent);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
};

} // namespace widgets
