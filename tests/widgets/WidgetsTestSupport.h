#pragma once

#include "models/BuiltinProfiles.h"
#include "models/Profile.h"
#include "models/ProfileDataWrapper.h"
#include "support/ShownWindows.h"

#include <QAbstractButton>
#include <QAbstractItemModel>
#include <QApplication>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>

#include <functional>
#include <memory>

namespace widgets::test {

// A profile (a built-in one by position, or the given data) with its three editable models.
struct ProfileFixture
{
    std::shared_ptr<ProfileDataWrapper> wrapper;
    std::unique_ptr<models::Profile> profile;

    explicit ProfileFixture(const ProfileData& data)
        : wrapper(std::make_shared<ProfileDataWrapper>(data)),
          profile(std::make_unique<models::Profile>(nullptr, wrapper))
    {
        profile->setEditable(true);
    }
    explicit ProfileFixture(std::size_t builtin)
        : ProfileFixture(*ProfileDataWrapper::fromXml(builtinProfiles.at(builtin), false).data())
    {}
};

inline ProfileNode leaf(const char* name, const char* value)
{
    return ProfileNode{name, value, {}};
}

inline ProfileNode inner(const char* name, std::vector<ProfileNode> children)
{
    return ProfileNode{name, "", std::move(children)};
}

// Every cell of a tree in its stored form with its type, and the tree's shape.
inline QStringList snapshot(const QAbstractItemModel& model, const QModelIndex& parent = {})
{
    QStringList cells{QString::number(model.rowCount(parent))};
    for (int r = 0; r < model.rowCount(parent); ++r) {
        for (const QModelIndex& index : {model.index(r, 0, parent), model.index(r, 1, parent)}) {
            const QVariant v = index.data(Qt::EditRole);
            if (index.isValid())
                cells << QString("%1 %2").arg(v.isValid() ? v.typeName() : "-", v.toString());
        }
        cells << snapshot(model, model.index(r, 0, parent));
    }
    return cells;
}

// Answers a modal dialog: "=text" enters a text, "accept" takes what it proposes, "cancel"
// rejects it, anything else clicks the button of that object name or text ("Yes", "btnCopy").
inline void answer(QWidget* modal, const QString& how)
{
    auto* dialog = qobject_cast<QDialog*>(modal);
    if (how.startsWith('='))
        qobject_cast<QInputDialog*>(modal)->setTextValue(how.mid(1));
    if (how.startsWith('=') || how == "accept")
        return dialog->accept();
    if (how == "cancel")
        return dialog->reject();
    for (QAbstractButton* button : modal->findChildren<QAbstractButton*>())
        if (button->objectName() == how || button->text().remove('&') == how)
            return button->click();
    qWarning("No button %s to answer with", qPrintable(how));
    dialog->reject();
}

// Answers the modal dialogs that open while it lives, in order (cancelling once the queue is
// empty), each once it is shown and ready, and records what each showed. Tests check the
// record after exec returns.
class ModalDriver
{
public:
    struct Shown
    {
        QString title, text, input;
        QStringList items;
        Qt::TextFormat format = Qt::AutoText; // of a message box's text
    };

    explicit ModalDriver(std::initializer_list<QString> answers = {}) : m_answers(answers)
    {
        m_windows.everyModal([this](QWidget* modal) { take(modal); });
    }
    void queue(std::initializer_list<QString> answers) { m_answers << answers; }
    bool allAnswered() const { return m_answers.isEmpty(); }
    std::vector<Shown> shown;

private:
    void take(QWidget* modal)
    {
        Shown seen{modal->windowTitle(), {}, {}, {}, Qt::AutoText};
        if (auto* prompt = qobject_cast<QInputDialog*>(modal)) {
            seen = {seen.title, prompt->labelText(), prompt->textValue(), prompt->comboBoxItems(),
                    Qt::AutoText};
        } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            seen.text = box->text();
            seen.format = box->textFormat();
        } else if (auto* label = modal->findChild<QLabel*>(QStringLiteral("label")))
            seen.text = label->text();
        shown.push_back(seen);
        answer(modal, m_answers.isEmpty() ? QStringLiteral("cancel") : m_answers.takeFirst());
    }

    QStringList m_answers;
    kolz::test::ShownWindows m_windows;
};

} // namespace widgets::test
