#include "models/EGLConfigTreeItem.h"

#include "models/EGLAttribKey.h"

#include <QRegularExpression>

#include <limits>
#include <span>

namespace models {

namespace {

struct Token
{
    qlonglong value;
    const char* name;
};

constexpr qlonglong eglNone = 0x3038;

// Texts that attribute values are stored as numbers for, in the order they are tried.
constexpr Token storedTokens[] = {
    {1, "EGL_TRUE"},
    {0, "EGL_FALSE"},
    {-1, "EGL_DONT_CARE"},
    {eglNone, "EGL_NONE"},
    {0x3050, "EGL_SLOW_CONFIG"},
    {0x3051, "EGL_NON_CONFORMANT_CONFIG"},
};

constexpr Token caveatTokens[] = {
    {eglNone, "EGL_NONE"},
    {-1, "EGL_DONT_CARE"},
    {0x3050, "EGL_SLOW_CONFIG"},
    {0x3051, "EGL_NON_CONFORMANT_CONFIG"},
};
constexpr Token typeTokens[] = {
    {eglNone, "EGL_NONE"},
    {0x3052, "EGL_TRANSPARENT_RGB"},
};
constexpr Token booleanTokens[] = {
    {1, "EGL_TRUE"},
    {0, "EGL_FALSE"},
};

// The token names an attribute's value may be shown by; empty for plain numbers.
std::span<const Token> shownTokens(int attribute)
{
    switch (attribute) {
    case 0x3027: // EGL_CONFIG_CAVEAT
        return caveatTokens;
    case 0x302F: // EGL_NATIVE_VISUAL_TYPE
    case 0x3034: // EGL_TRANSPARENT_TYPE
        return typeTokens;
    case 0x3039: // EGL_BIND_TO_TEXTURE_RGB
    case 0x303A: // EGL_BIND_TO_TEXTURE_RGBA
    case 0x3042: // EGL_CONFORMANT
        return booleanTokens;
    default:
        return {};
    }
}

// Names the files hold for the bit-mask attributes, one bit per element.
constexpr const char* apiBits[] = {"EGL_OPENGL_ES_BIT", "EGL_OPENGL_ES2_BIT",
                                   "EGL_OPENGL_ES3_BIT_KHR", "EGL_OPENGL_BIT", "EGL_OPENVG_BIT"};
constexpr const char* surfaceBits[] = {"EGL_PBUFFER_BIT", "EGL_PIXMAP_BIT", "EGL_WINDOW_BIT"};

bool isDecimalInt(const QVariant& value)
{
    bool ok = false;
    if (value.typeId() == QMetaType::QString) {
        static const QRegularExpression decimal(QStringLiteral("^-?[0-9]+$"));
        const QString text = value.toString();
        if (!decimal.match(text).hasMatch())
            return false;
        (void)text.toInt(&ok, 10);
        return ok;
    }
    if (!value.isValid() || value.typeId() == QMetaType::Bool || !value.canConvert<qlonglong>())
        return false;
    const qlonglong number = value.toLongLong(&ok);
    return ok && number >= std::numeric_limits<int>::min() &&
           number <= std::numeric_limits<int>::max();
}

} // namespace

QStringList eglValueNames(int attribute)
{
    // The stored tokens become numbers whatever the attribute; the shown ones may stay texts.
    QStringList names;
    for (const Token& token : storedTokens)
        names << QString::fromLatin1(token.name);
    for (const Token& token : shownTokens(attribute)) {
        if (!names.contains(QLatin1String(token.name)))
            names << QString::fromLatin1(token.name);
    }
    std::span<const char* const> bits;
    if (attribute == 0x3040 || attribute == 0x3042) // EGL_RENDERABLE_TYPE, EGL_CONFORMANT
        bits = apiBits;
    else if (attribute == 0x3033) // EGL_SURFACE_TYPE
        bits = surfaceBits;
    for (const char* bit : bits)
        names << QString::fromLatin1(bit);
    return names;
}

bool eglValueFits(int attribute, const QVariant& value)
{
    return isDecimalInt(value) ||
           (value.typeId() == QMetaType::QString &&
            eglValueNames(attribute).contains(value.toString(), Qt::CaseSensitive));
}

EGLConfigTreeItem::EGLConfigTreeItem(const QVariant& key, const QVariant& value,
                                     ProfileTreeItem* parent)
    : ProfileTreeItem(parent), key(key)
{
    setValueFromText(value);
}

QVariant EGLConfigTreeItem::data(int column, int role) const
{
    if (role == Qt::EditRole) {
        if (column == 0)
            return key;
        if (column == 1)
            return itemValue;
    } else if (role == Qt::DisplayRole) {
        if (column == 0)
            return isTopLevel() ? configText() : eglAttributeText();
        if (column == 1)
            return eglValueText();
    }
    return {};
}

bool EGLConfigTreeItem::setData(int column, const QVariant& value)
{
    if (column == 0)
        key = value;
    else if (column == 1)
        setValueFromText(value);
    else
        return false;
    return true;
}

void EGLConfigTreeItem::setValueFromText(const QVariant& value)
{
    const QString text = value.toString();
    for (const Token& token : storedTokens) {
        if (text == QLatin1String(token.name)) {
            itemValue = QVariant(int(token.value));
            return;
        }
    }
    itemValue = value;
}

QVariant EGLConfigTreeItem::configText() const
{
    bool ok = false;
    const int id = key.toInt(&ok);
    if (!ok)
        return key;
    return QStringLiteral("Config %1").arg(id);
}

QVariant EGLConfigTreeItem::eglAttributeText() const
{
    if (!hasText(key))
        return key;
    EGLAttribKey attribute;
    if (!findEGLAttribKey(key.toInt(), &attribute))
        return key;
    return QString::fromUtf8(attribute.displayName.text.c_str());
}

QVariant EGLConfigTreeItem::eglValueText() const
{
    if (!hasText(key) || !hasText(itemValue))
        return itemValue;
    EGLAttribKey attribute;
    if (!findEGLAttribKey(key.toInt(), &attribute))
        return itemValue;

    // A value that is no integer (a bit name, a word) matches no token, so it is shown as it
    // is stored rather than as the token its failed conversion (0) would name.
    bool ok = false;
    const qlonglong number = integerValue(itemValue, &ok);
    if (!ok)
        return itemValue;
    for (const Token& token : shownTokens(attribute.value)) {
        if (token.value == number)
            return QString::fromLatin1(token.name);
    }
    return itemValue;
}

} // namespace models
