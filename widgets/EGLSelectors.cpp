#include "widgets/EGLSelectors.h"

#include "models/EGLAttribKey.h"

#include <algorithm>
#include <limits>

namespace widgets {

namespace {

constexpr int eglDontCare = -1;
constexpr int eglFalse = 0;
constexpr int eglTrue = 1;
constexpr int eglNone = 0x3038;
constexpr int eglSlowConfig = 0x3050;
constexpr int eglNonConformantConfig = 0x3051;
constexpr int eglTransparentRGB = 0x3052;

QStringList decimalTexts(const std::set<int>& values)
{
    QStringList texts;
    for (int v : values)
        texts << QString::number(v);
    return texts;
}

std::set<int> without(std::set<int> values, int current)
{
    values.erase(current);
    return values;
}

QString attribName(int value, const QString& otherwise)
{
    EGLAttribKey key;
    if (findEGLAttribKey(value, &key))
        return QString::fromUtf8(key.displayName.text.c_str());
    return otherwise;
}

} // namespace

QString eglEnumName(int value)
{
    switch (value) {
    case eglDontCare:
        return QStringLiteral("EGL_DONT_CARE");
    case eglFalse:
        return QStringLiteral("EGL_FALSE");
    case eglTrue:
        return QStringLiteral("EGL_TRUE");
    case eglNone:
        return QStringLiteral("EGL_NONE");
    case eglSlowConfig:
        return QStringLiteral("EGL_SLOW_CONFIG");
    case eglNonConformantConfig:
        return QStringLiteral("EGL_NON_CONFORMANT_CONFIG");
    case eglTransparentRGB:
        return QStringLiteral("EGL_TRANSPARENT_RGB");
    default:
        return QString::number(value);
    }
}

EGLAttribSelector::EGLAttribSelector(QWidget* parent, int current, const std::set<int>& attributes)
    : GenericValueSelector(parent, decimalTexts(attributes), QString::number(current))
{
    setItemDelegate(new AttribSelectorItemDelegate(this));
}

QString EGLAttribSelector::displayText(const QString& stored) const
{
    return attribName(stored.toInt(nullptr, 10), stored);
}

QString AttribSelectorItemDelegate::displayText(const QVariant& value, const QLocale& locale) const
{
    EGLAttribKey key;
    if (findEGLAttribKey(value.toInt(), &key))
        return QString::fromUtf8(key.displayName.text.c_str());
    return QStyledItemDelegate::displayText(value, locale);
}

EGLEnumSelector::EGLEnumSelector(QWidget* parent, const std::set<int>& offered, int current)
    : GenericValueSelector(parent, decimalTexts(offered), QString::number(current))
{
    setItemDelegate(new EGLEnumSelectorItemDelegate(this));
}

QString EGLEnumSelector::displayText(const QString& stored) const
{
    bool ok = false;
    const int value = stored.toInt(&ok, 10);
    return ok ? eglEnumName(value) : stored;
}

QString EGLEnumSelectorItemDelegate::displayText(const QVariant& value, const QLocale& locale) const
{
    bool ok = false;
    const int v = value.toInt(&ok);
    return ok ? eglEnumName(v) : QStyledItemDelegate::displayText(value, locale);
}

EGLConfigCaveatSelector::EGLConfigCaveatSelector(QWidget* parent, int current)
    : EGLEnumSelector(
          parent, without({eglNone, eglDontCare, eglSlowConfig, eglNonConformantConfig}, current),
          current)
{}

EGLTransparentTypeSelector::EGLTransparentTypeSelector(QWidget* parent, int current)
    : EGLEnumSelector(parent, without({eglNone, eglTransparentRGB}, current), current)
{}

EGLTrueFalseSelector::EGLTrueFalseSelector(QWidget* parent, int current)
    : EGLEnumSelector(parent, {current == eglTrue ? eglFalse : eglTrue}, current)
{}

EGLConfigIDSelector::EGLConfigIDSelector(QWidget* parent, int value) : QSpinBox(parent)
{
    setPrefix(tr("Config "));
    setRange(std::min(0, value), std::numeric_limits<int>::max());
    setValue(value);
}

} // namespace widgets
