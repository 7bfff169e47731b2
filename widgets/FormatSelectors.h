#pragma once

#include "glvocab/EnumNames.h"
#include "widgets/GenericValueSelector.h"

namespace widgets {

// Picks an image (texture internal) format; items are GL enum values in decimal, listed by
// name and shown by name. A value without a GL name is shown by its number.
class ImageFormatSelector : public GenericValueSelector
{
public:
    ImageFormatSelector(QWidget* parent, GLuint64 current);
    QString displayText(const QString& stored) const override;
};

class ImageFormatSelectorItemDelegate : public GenericValueSelectorItemDelegate
{
public:
    using GenericValueSelectorItemDelegate::GenericValueSelectorItemDelegate;
    QString displayText(const QVariant& value, const QLocale& locale) const override;
};

// The same over the shader binary formats.
class ShaderBinaryFormatSelector : public GenericValueSelector
{
public:
    ShaderBinaryFormatSelector(QWidget* parent, GLuint64 current);
    QString displayText(const QString& stored) const override;
};

class ShaderBinaryFormatSelectorItemDelegate : public GenericValueSelectorItemDelegate
{
public:
    using GenericValueSelectorItemDelegate::GenericValueSelectorItemDelegate;
    QString displayText(const QVariant& value, const QLocale& locale) const override;
};

} // namespace widgets
