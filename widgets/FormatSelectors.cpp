#include "widgets/FormatSelectors.h"

#include "glvocab/Formats.h"

#include <set>
#include <string>
#include <utility>

namespace widgets {

namespace {

// The formats alphabetically by GL name (equal names by value), in decimal.
QStringList byName(const std::set<GLuint64>& formats)
{
    std::set<std::pair<std::string, GLuint64>> named;
    for (GLuint64 v : formats)
        named.emplace(glEnumName(v), v);
    QStringList texts;
    for (const auto& entry : named)
        texts << QString::number(entry.second);
    return texts;
}

// The GL name of a format number; the number itself where the value has no name, so that
// no item or cell ever shows up blank.
QString formatName(int value, const QString& number)
{
    const char* name = glEnumName(GLuint64(qint64(value)));
    return *name ? QString::fromUtf8(name) : number;
}

QString storedFormatText(const QString& stored)
{
    bool ok = false;
    const int value = stored.toInt(&ok, 10);
    return ok ? formatName(value, stored) : stored;
}

QString itemFormatText(const QVariant& value, const QLocale& locale,
                       const QStyledItemDelegate& delegate)
{
    bool ok = false;
    const int v = value.toInt(&ok);
    const QString number = delegate.QStyledItemDelegate::displayText(value, locale);
    return ok ? formatName(v, number) : number;
}

} // namespace

ImageFormatSelector::ImageFormatSelector(QWidget* parent, GLuint64 current)
    : GenericValueSelector(parent, byName(knownImageFormats), QString::number(current))
{
    setItemDelegate(new ImageFormatSelectorItemDelegate(this));
}

QString ImageFormatSelector::displayText(const QString& stored) const
{
    return storedFormatText(stored);
}

QString ImageFormatSelectorItemDelegate::displayText(const QVariant& value,
                                                     const QLocale& locale) const
{
    return itemFormatText(value, locale, *this);
}

ShaderBinaryFormatSelector::ShaderBinaryFormatSelector(QWidget* parent, GLuint64 current)
    : GenericValueSelector(parent, byName(knownShaderBinaryFormats), QString::number(current))
{
    setItemDelegate(new ShaderBinaryFormatSelectorItemDelegate(this));
}

QString ShaderBinaryFormatSelector::displayText(const QString& stored) const
{
    return storedFormatText(stored);
}

QString ShaderBinaryFormatSelectorItemDelegate::displayText(const QVariant& value,
                                                            const QLocale& locale) const
{
    return itemFormatText(value, locale, *this);
}

} // namespace widgets
