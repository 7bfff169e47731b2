#pragma once

#include "models/BuiltinProfiles.h"
#include "models/Profile.h"
#include "models/ProfileDataWrapper.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <deque>
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

// Answers to modal dialogs: a text to enter, the proposal as it is, a cancel, a message box
// button, or a push button of our own dialogs by object name.
using Answer = std::function<void(QWidget*)>;
inline Answer enter(const QString& text)
{
    return [text](QWidget* modal) {
        qobject_cast<QInputDialog*>(modal)->setTextValue(text);
        qobject_cast<QDialog*>(modal)->accept();
    };
}
inline const Answer takeProposal = [](QWidget* modal) { qobject_cast<QDialog*>(modal)->accept(); };
inline const Answer cancel = [](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); };
inline Answer pressButton(QMessageBox::StandardButton button)
{
    return [button](QWidget* modal) { qobject_cast<QMessageBox*>(modal)->button(button)->click(); };
}
inline Answer click(const char* name)
{
    return [name](QWidget* modal) { modal->findChild<QPushButton*>(name)->click(); };
}

// Answers the modal dialogs that open while it lives, in order (cancelling once the queue is
// empty), from a timer, and records what each showed. Tests check the record after exec returns.
class ModalDriver : public QObject
{
public:
    struct Shown
    {
        QString title, text, input;
        QStringList items;
    };

    explicit ModalDriver(std::initializer_list<Answer> answers = {}) : m_answers(answers)
    {
        connect(&m_timer, &QTimer::timeout, this, &ModalDriver::poll);
        m_timer.start(5);
    }
    void queue(std::initializer_list<Answer> answers)
    {
        m_answers.insert(m_answers.end(), answers);
    }
    bool allAnswered() const { return m_answers.empty(); }
    std::vector<Shown> shown;

private:
    void poll()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal->property("kolzAnswered").toBool())
            return;
        modal->setProperty("kolzAnswered", true);
        Shown seen{modal->windowTitle(), {}, {}, {}};
        if (auto* prompt = qobject_cast<QInputDialog*>(modal))
            seen = {seen.title, prompt->labelText(), prompt->textValue(), prompt->comboBoxItems()};
        else if (auto* box = qobject_cast<QMessageBox*>(modal))
            seen.text = box->text();
        else if (auto* label = modal->findChild<QLabel*>(QStringLiteral("label")))
            seen.text = label->text();
        shown.push_back(seen);
        const Answer answer = m_answers.empty() ? cancel : m_answers.front();
        if (!m_answers.empty())
            m_answers.pop_front();
        answer(modal);
    }

    QTimer m_timer;
    std::deque<Answer> m_answers;
};

} // namespace widgets::test
