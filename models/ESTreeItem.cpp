#include "models/ESTreeItem.h"

#include "glvocab/EnumNames.h"
#include "models/ESAPI.h"
#include "models/ESCapabilityKey.h"

namespace models {

namespace {

// Limits whose values are GL enums rather than counts or sizes.
bool holdsEnumValue(std::uint64_t capability)
{
    switch (capability) {
    case 0x86A3: // GL_COMPRESSED_TEXTURE_FORMATS
    case 0x8B9A: // GL_IMPLEMENTATION_COLOR_READ_TYPE
    case 0x8B9B: // GL_IMPLEMENTATION_COLOR_READ_FORMAT
    case 0x8DF8: // GL_SHADER_BINARY_FORMATS
        return true;
    default:
        return false;
    }
}

bool findCapability(const QVariant& key, ESCapabilityKeyNode* node)
{
    return findKeyNode(ESCapabilityKey::XMLName(key.toString().toStdString()), node);
}

} // namespace

ESTreeItem::ESTreeItem(ProfileTreeItem* parent) : ProfileTreeItem(parent) {}

QVariant ESTreeItem::apiText(const QVariant& version)
{
    bool ok = false;
    const int number = version.toInt(&ok);
    if (!ok)
        return version;
    esapi::API api;
    if (!findAPI(number, &api))
        return version;
    return QString::fromUtf8(api.name);
}

ESCapabilityTreeItem::ESCapabilityTreeItem(const QVariant& key, const QVariant& value,
                                           ProfileTreeItem* parent)
    : ESTreeItem(parent), key(key), itemValue(value)
{}

QVariant ESCapabilityTreeItem::data(int column, int role) const
{
    if (role == Qt::EditRole) {
        if (column == 0)
            return key;
        if (column == 1)
            return itemValue;
    } else if (role == Qt::DisplayRole) {
        if (column == 0)
            return isTopLevel() ? apiText(key) : capabilityKeyText();
        if (column == 1)
            return capabilityValueText();
    }
    return {};
}

bool ESCapabilityTreeItem::setData(int column, const QVariant& value)
{
    if (column == 0)
        key = value;
    else if (column == 1)
        itemValue = value;
    else
        return false;
    return true;
}

QVariant ESCapabilityTreeItem::capabilityKeyText() const
{
    if (!hasText(key))
        return key;
    ESCapabilityKeyNode node;
    if (!findCapability(key, &node))
        return key;
    return QString::fromUtf8(node.displayName.text.c_str());
}

QVariant ESCapabilityTreeItem::capabilityValueText() const
{
    if (!hasText(key) || !hasText(itemValue))
        return itemValue;
    ESCapabilityKeyNode node;
    if (!findCapability(key, &node) || !holdsEnumValue(node.value))
        return itemValue;

    // Profiles write enum values as names or as decimal numbers; either is shown by the name
    // the vocabulary prefers, and anything it does not know exactly as it is stored.
    const QByteArray text = itemValue.toString().toUtf8();
    const char* shown = text.constData();
    if (const GLuint64 number =
            glEnumValueFromName(std::string_view(text.constData(), std::size_t(text.size())))) {
        const char* name = glEnumName(number);
        if (name && *name)
            shown = name;
    } else {
        const char* name = enumNameForNumericText(text.constData());
        if (name && *name)
            shown = name;
    }
    return QString::fromUtf8(shown);
}

ESExtensionTreeItem::ESExtensionTreeItem(const QVariant& value, ProfileTreeItem* parent)
    : ESTreeItem(parent), itemValue(value)
{}

QVariant ESExtensionTreeItem::data(int column, int role) const
{
    if (column != 0)
        return {};
    if (role == Qt::EditRole)
        return itemValue;
    if (role == Qt::DisplayRole)
        return isTopLevel() ? apiText(itemValue) : itemValue;
    return {};
}

int ESExtensionTreeItem::columnCount() const
{
    return 1;
}

bool ESExtensionTreeItem::setData(int column, const QVariant& value)
{
    if (column != 0)
        return false;
    itemValue = value;
    return true;
}

} // namespace models
