#include "widgets/TreeItemDelegates.h"

#include "models/EGLAttribKey.h"
#include "models/EGLConfigTree.h"
#include "models/ESCapabilityKey.h"
#include "models/ProfileTreeItem.h"
#include "widgets/EGLConfigTreeView.h"
#include "widgets/EGLSelectors.h"
#include "widgets/ESCapabilityTreeView.h"
#include "widgets/ESExtensionTreeView.h"
#include "widgets/ESSelectors.h"
#include "widgets/FormatSelectors.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QMessageBox>
#include <QMetaProperty>
#include <QPointer>

#include <algorithm>

#include <cstdint>
#include <set>
#include <string>

namespace widgets {

namespace {

constexpr int eglConfigCaveat = 0x3027;
constexpr int eglTransparentType = 0x3034;
constexpr int eglBindToTextureRGB = 0x3039;
constexpr int eglBindToTextureRGBA = 0x303A;
constexpr int eglConformant = 0x3042;
constexpr std::uint64_t glShaderBinaryFormats = 0x8DF8;
constexpr std::uint64_t glCompressedTextureFormats = 0x86A3;
constexpr std::uint64_t glImplementationColorReadFormat = 0x8B9B;

const models::ProfileTreeItem* itemOf(const QModelIndex& index)
{
    return static_cast<const models::ProfileTreeItem*>(index.internalPointer());
}

bool isTopLevel(const QModelIndex& index)
{
    return !index.model()->parent(index).isValid();
}

// A stored cell as an int: a number by its value, a text only when it reads as a decimal
// integer. Bit names ("EGL_OPENGL_ES2_BIT") and enum names are no ints: their cells keep the
// standard text editor, as a selector would start on 0 and commit it. An empty text is a row
// just added, whose value is still to be chosen: its selector starts on 0 and commits nothing
// until another item is picked.
bool storedInt(const QVariant& stored, int* value)
{
    bool ok = false;
    if (stored.typeId() == QMetaType::QString && stored.toString().isEmpty()) {
        *value = 0;
        ok = true;
    } else if (stored.typeId() == QMetaType::QString)
        *value = stored.toString().toInt(&ok, 10);
    else if (stored.typeId() == QMetaType::Int || stored.typeId() == QMetaType::LongLong)
        *value = stored.toInt(&ok);
    return ok;
}

QVariant editRole(const QModelIndex& index)
{
    return index.data(Qt::EditRole);
}

// Whether the editor holds a value of the user's choosing that differs from the cell's.
bool chosen(QWidget* editor, const QModelIndex& index)
{
    // Item 0 is the cell's own value; the separator cannot be a choice either.
    if (const auto* selector = dynamic_cast<const GenericValueSelector*>(editor);
        selector && selector->currentIndex() < 2)
        return false;
    const QMetaProperty property = editor->metaObject()->userProperty();
    return !property.isValid() || property.read(editor).toString() != editRole(index).toString();
}

void commitIfChosen(const QStyledItemDelegate& delegate, QWidget* editor, QAbstractItemModel* model,
                    const QModelIndex& index)
{
    if (chosen(editor, index))
        delegate.QStyledItemDelegate::setModelData(editor, model, index);
}

// The box waits until the editor is closed: shown from inside the commit, it would take the
// focus from the editor, whose focus-out commits (and refuses) once more.
void explainLater(QObject* view, const QString& why)
{
    const QPointer<QWidget> parent = qobject_cast<QWidget*>(view);
    QMetaObject::invokeMethod(
        view ? view : QCoreApplication::instance(),
        [parent, why] {
            QMessageBox box(QMessageBox::Warning,
                            QCoreApplication::translate("EGLConfigTreeItemDelegate", "Error"), why,
                            QMessageBox::Ok, parent);
            // The text quotes what the user typed.
            box.setTextFormat(Qt::PlainText);
            box.exec();
        },
        Qt::QueuedConnection);
}

// An editor covers its cell and more where its value needs it: a selector shows its longest name
// and a spin box its digits with its frame, which a row of text is too low for. It stays
// centred on the row and inside the view.
void fitEditorToCell(QWidget* editor, const QStyleOptionViewItem& option)
{
    const QSize needed =
        qobject_cast<QComboBox*>(editor) ? editor->sizeHint() : editor->minimumSizeHint();
    QRect rect = option.rect;
    rect.setWidth(std::max(rect.width(), needed.width()));
    const int height = std::max(rect.height(), needed.height());
    rect.moveTop(option.rect.center().y() - height / 2);
    rect.setHeight(height);
    if (const QWidget* area = editor->parentWidget()) {
        if (rect.right() >= area->width())
            rect.moveRight(area->width() - 1);
        if (rect.bottom() >= area->height())
            rect.moveBottom(area->height() - 1);
        rect.moveTopLeft({std::max(0, rect.left()), std::max(0, rect.top())});
    }
    editor->setGeometry(rect);
}

} // namespace

EGLConfigTreeItemDelegate::EGLConfigTreeItemDelegate(QObject* parent) : QStyledItemDelegate(parent)
{}

QWidget* EGLConfigTreeItemDelegate::createEditor(QWidget* parent,
                                                 const QStyleOptionViewItem& option,
                                                 const QModelIndex& index) const
{
    if (!index.isValid())
        return QStyledItemDelegate::createEditor(parent, option, index);
    const bool top = isTopLevel(index);
    if (index.column() == 0) {
        int key = 0;
        if (!storedInt(editRole(index), &key))
            return QStyledItemDelegate::createEditor(parent, option, index);
        if (top)
            return new EGLConfigIDSelector(parent, key);
        return new EGLAttribSelector(
            parent, key,
            EGLConfigTreeView::unusedAttribs(itemOf(ProfileTreeView::topLevelIndex(index))));
    }
    int attribute = 0;
    int value = 0;
    EGLAttribKey key;
    if (index.column() != 1 || top ||
        !storedInt(editRole(index.sibling(index.row(), 0)), &attribute) ||
        !findEGLAttribKey(attribute, &key) || !storedInt(editRole(index), &value))
        return QStyledItemDelegate::createEditor(parent, option, index);
    switch (key.value) {
    case eglConfigCaveat:
        return new EGLConfigCaveatSelector(parent, value);
    case eglTransparentType:
        return new EGLTransparentTypeSelector(parent, value);
    case eglBindToTextureRGB:
    case eglBindToTextureRGBA:
    case eglConformant:
        return new EGLTrueFalseSelector(parent, value);
    default:
        return QStyledItemDelegate::createEditor(parent, option, index);
    }
}

void EGLConfigTreeItemDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                             const QModelIndex& index) const
{
    if (!chosen(editor, index))
        return;
    // A value the cell cannot take leaves the old one in place, and the user learns why.
    const QMetaProperty property = editor->metaObject()->userProperty();
    if (const auto* tree = qobject_cast<const models::EGLConfigTree*>(model);
        tree && property.isValid()) {
        const QString why = tree->refusal(index, property.read(editor));
        if (!why.isEmpty()) {
            explainLater(parent(), why);
            return;
        }
    }
    QStyledItemDelegate::setModelData(editor, model, index);
}

void EGLConfigTreeItemDelegate::updateEditorGeometry(QWidget* editor,
                                                     const QStyleOptionViewItem& option,
                                                     const QModelIndex&) const
{
    fitEditorToCell(editor, option);
}

ESTreeItemDelegate::ESTreeItemDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

void ESTreeItemDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                              const QModelIndex&) const
{
    fitEditorToCell(editor, option);
}

void ESTreeItemDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                      const QModelIndex& index) const
{
    commitIfChosen(*this, editor, model, index);
}

ESAPISelector* ESTreeItemDelegate::createAPIEditor(QWidget* parent, const QModelIndex& index)
{
    int version = 0;
    storedInt(editRole(index.sibling(index.row(), 0)), &version);
    return new ESAPISelector(parent, version, ESTreeView::unusedAPIs(index.model()));
}

ESCapabilityTreeItemDelegate::ESCapabilityTreeItemDelegate(QObject* parent)
    : ESTreeItemDelegate(parent)
{}

QWidget* ESCapabilityTreeItemDelegate::createEditor(QWidget* parent,
                                                    const QStyleOptionViewItem& option,
                                                    const QModelIndex& index) const
{
    if (!index.isValid())
        return QStyledItemDelegate::createEditor(parent, option, index);
    const QModelIndex top = ProfileTreeView::topLevelIndex(index);
    int number = 0;
    if (index.column() == 0) {
        if (index == top) {
            if (!storedInt(editRole(index), &number))
                return QStyledItemDelegate::createEditor(parent, option, index);
            return createAPIEditor(parent, index);
        }
        const std::string current = editRole(index).toString().toStdString();
        const QAbstractItemModel* model = index.model();
        if (model->parent(model->parent(index)) != top)
            return new ESCapabilitySelector(parent, current,
                                            ESCapabilityTreeView::unusedCapabilities(index));
        std::set<std::string> siblings;
        for (const models::ProfileTreeItem* sibling : itemOf(index)->parentItem()->childItems())
            siblings.insert(sibling->data(0, Qt::EditRole).toString().toStdString());
        siblings.erase(current);
        return new ESCapabilitySelector(parent, current, siblings);
    }
    ESCapabilityKeyNode node;
    const QString name = editRole(index.sibling(index.row(), 0)).toString();
    if (index.column() != 1 || index == top ||
        !findKeyNode(ESCapabilityKey::XMLName(name.toStdString()), &node) ||
        !storedInt(editRole(index), &number))
        return QStyledItemDelegate::createEditor(parent, option, index);
    if (node.value == glShaderBinaryFormats)
        return new ShaderBinaryFormatSelector(parent, GLuint64(qint64(number)));
    if (node.value == glCompressedTextureFormats || node.value == glImplementationColorReadFormat)
        return new ImageFormatSelector(parent, GLuint64(qint64(number)));
    return QStyledItemDelegate::createEditor(parent, option, index);
}

ESExtensionTreeItemDelegate::ESExtensionTreeItemDelegate(QObject* parent)
    : ESTreeItemDelegate(parent)
{}

QWidget* ESExtensionTreeItemDelegate::createEditor(QWidget* parent,
                                                   const QStyleOptionViewItem& option,
                                                   const QModelIndex& index) const
{
    if (!index.isValid() || index.column() != 0)
        return QStyledItemDelegate::createEditor(parent, option, index);
    const QModelIndex top = ProfileTreeView::topLevelIndex(index);
    if (index == top) {
        int version = 0;
        if (!storedInt(editRole(index), &version))
            return QStyledItemDelegate::createEditor(parent, option, index);
        return createAPIEditor(parent, index);
    }
    return new ESExtensionSelector(parent, editRole(index).toString(),
                                   ESExtensionTreeView::unusedExtensions(itemOf(top)));
}

} // namespace widgets
