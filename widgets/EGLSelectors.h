#pragma once

#include "widgets/GenericValueSelector.h"

#include <QSpinBox>

#include <set>

namespace widgets {

// The EGL token name of the constants the EGL enum selectors offer; any other value in decimal.
QString eglEnumName(int value);

// Picks an EGL attribute; items are attribute values in decimal, shown by token name.
class EGLAttribSelector : public GenericValueSelector
{
    Q_OBJECT

public:
    EGLAttribSelector(QWidget* parent, int current, const std::set<int>& attributes);
    QString displayText(const QString& stored) const override;
};

class AttribSelectorItemDelegate : public GenericValueSelectorItemDelegate
{
public:
    using GenericValueSelectorItemDelegate::GenericValueSelectorItemDelegate;
    QString displayText(const QVariant& value, const QLocale& locale) const override;
};

// Picks one of a few EGL constants; items are values in decimal, shown by token name.
class EGLEnumSelector : public GenericValueSelector
{
public:
    EGLEnumSelector(QWidget* parent, const std::set<int>& offered, int current);
    QString displayText(const QString& stored) const override;
};

class EGLEnumSelectorItemDelegate : public GenericValueSelectorItemDelegate
{
public:
    using GenericValueSelectorItemDelegate::GenericValueSelectorItemDelegate;
    QString displayText(const QVariant& value, const QLocale& locale) const override;
};

// EGL_NONE, EGL_DONT_CARE, EGL_SLOW_CONFIG, EGL_NON_CONFORMANT_CONFIG, without the current one.
class EGLConfigCaveatSelector : public EGLEnumSelector
{
public:
    EGLConfigCaveatSelector(QWidget* parent, int current);
};

// EGL_NONE and EGL_TRANSPARENT_RGB, without the current one.
class EGLTransparentTypeSelector : public EGLEnumSelector
{
public:
    EGLTransparentTypeSelector(QWidget* parent, int current);
};

// Only the other boolean: EGL_FALSE for EGL_TRUE, EGL_TRUE for anything else.
class EGLTrueFalseSelector : public EGLEnumSelector
{
public:
    EGLTrueFalseSelector(QWidget* parent, int current);
};

// The id of an EGL configuration, shown as "Config <id>". Any id a profile can hold fits, so
// opening and closing the editor never rewrites an id.
class EGLConfigIDSelector : public QSpinBox
{
    Q_OBJECT

public:
    EGLConfigIDSelector(QWidget* parent, int value);
};

} // namespace widgets
