#include "common_gui/RecentFiles.h"
#include "prefs/PlistFormat.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QVariant>

#include <algorithm>
#include <vector>

namespace {

const char* const recentFileProperty = "ARecentFile";
const char* const separatorName = "TheRecentFileSeparator";
constexpr qsizetype elidedLength = 45;

std::string storedForm(const QString& path)
{
    QString slashed = path;
    slashed.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return slashed.toStdString();
}

bool fileExists(const std::string& path)
{
    return QFileInfo::exists(QString::fromStdString(path));
}

// A menu takes "&" as a shortcut marker; a path shows its own "&" doubled.
QString entryText(qsizetype number, const QString& path)
{
    QString shown = RecentFiles::elide(path);
    shown.replace(QLatin1Char('&'), QLatin1String("&&"));
    return QStringLiteral("%1 %2").arg(number).arg(shown);
}

} // namespace

RecentFiles::RecentFiles(KolPreferences* store, const std::uint32_t& flags,
                         const std::string& prefix, const std::uint32_t& maximum)
    : m_maximum(maximum), m_store(store), m_dataKeyPrefix(prefix + "/"),
      m_listKey(prefix.empty() ? std::string("Recent files") : prefix + "/Recent files"),
      m_flags(flags)
{}

KolPreferences::Result RecentFiles::files(std::deque<std::string>& out) const
{
    return m_store->GetArray(m_listKey, out);
}

void RecentFiles::setMaximum(const std::uint32_t& maximum)
{
    if (maximum < m_maximum) {
        std::deque<std::string> list;
        files(list);
        if (list.size() > maximum) {
            list.resize(maximum);
            m_store->SetArray(m_listKey, list);
        }
    }
    m_maximum = maximum;
}

void RecentFiles::setFlags(const std::uint32_t& flags)
{
    m_flags = flags;
}

std::uint32_t RecentFiles::flags() const
{
    return m_flags;
}

QString RecentFiles::elide(QString path)
{
    if (path.size() <= elidedLength)
        return path;
    const qsizetype excess = path.size() - elidedLength;
    const qsizetype start = path.indexOf(QLatin1Char('/')) + 1;
    // A first slash too near the end leaves nothing to drop after it: drop from the front.
    if (start + excess > path.size())
        return path.replace(0, excess, QStringLiteral("..."));
    const qsizetype end = path.indexOf(QLatin1Char('/'), start + excess);
    if (end >= 0)
        path.replace(start, end - start, QStringLiteral("..."));
    else
        path.replace(start, excess, QStringLiteral("..."));
    return path;
}

// Stored data keys are made of the path's 32-bit FNV-1 hash (the store's own), so it must never
// change.
std::string RecentFiles::dataKey(const std::string& path) const
{
    return m_dataKeyPrefix + std::to_string(fnv1Hash(path));
}

void RecentFiles::storeList(const std::deque<std::string>& list)
{
    m_store->SetArray(m_listKey, list);
    m_store->Save(false);
}

void RecentFiles::addFile(const QString& newFile, const QByteArray& data)
{
    if ((m_flags & DropMissingFiles) && !QFileInfo::exists(newFile))
        return;
    const std::string path = storedForm(newFile);

    std::deque<std::string> list;
    files(list);
    list.erase(std::remove(list.begin(), list.end(), path), list.end());
    list.push_front(path);
    if (list.size() > m_maximum)
        list.resize(m_maximum);

    if (!data.isEmpty()) {
        m_store->SetData(dataKey(path), data.constData(), static_cast<std::uint32_t>(data.size()));
        m_store->Save(false);
    }
    storeList(list);
}

void RecentFiles::removeFile(int index)
{
    std::deque<std::string> list;
    files(list);
    if (index < 0 || static_cast<std::size_t>(index) >= list.size())
        return;
    list.erase(list.begin() + index);
    storeList(list);
}

void RecentFiles::clear()
{
    storeList({});
}

void RecentFiles::refresh()
{
    QObject* source = sender();
    if (auto* action = qobject_cast<QAction*>(source))
        source = action->parent();
    if (auto* menu = qobject_cast<QMenu*>(source))
        fillMenu(menu);
}

void RecentFiles::fileSelected()
{
    const QObject* action = sender();
    if (!action)
        return;
    const QVariant value = action->property(recentFileProperty);
    if (!value.isValid())
        return;
    const QString path = value.toString();
    const std::string key = dataKey(path.toStdString());
    QByteArray data;
    if (m_store->Exists(key)) {
        void* bytes = nullptr;
        std::uint32_t size = 0;
        if (m_store->GetData(key, bytes, size) == KolPreferences::SUCCESS) {
            data = QByteArray(static_cast<const char*>(bytes), static_cast<qsizetype>(size));
            delete[] static_cast<char*>(bytes);
        }
    }
    emit triggered(path, data);
}

void RecentFiles::attachMenu(QMenu* menu)
{
    if (!menu)
        return;
    QAction* separator = menu->addSeparator();
    separator->setObjectName(QLatin1String(separatorName));
    QAction* clearAction = menu->addAction(tr("Clear recent files"));
    connect(clearAction, &QAction::triggered, this, &RecentFiles::clear);
    connect(clearAction, &QAction::triggered, this, &RecentFiles::refresh);
    connect(menu, &QMenu::aboutToShow, this, &RecentFiles::refresh);
    fillMenu(menu);
}

void RecentFiles::fillMenu(QMenu* menu)
{
    std::deque<std::string> list;
    files(list);
    QAction* separator = menu->findChild<QAction*>(QLatin1String(separatorName));
    bool listChanged = false;

    // Bring the menu's existing entries in line with the list, keeping those that already match.
    std::size_t n = 0;
    std::vector<QAction*> entries;
    for (QAction* action : menu->actions()) {
        if (!action->property(recentFileProperty).isValid())
            continue;
        // Past the end of the list (after a clear, say) the rest are surplus, removed below.
        if (n >= list.size()) {
            entries.push_back(action);
            continue;
        }
        const QString path = QString::fromStdString(list[n]);
        if ((m_flags & DropMissingFiles) && !fileExists(list[n])) {
            list.erase(list.begin() + static_cast<std::ptrdiff_t>(n));
            menu->removeAction(action);
            action->deleteLater();
            listChanged = true;
            continue;
        }
        if (action->property(recentFileProperty).toString() != path) {
            action->setProperty(recentFileProperty, path);
            action->setToolTip(path);
        }
        // An entry dropped above moves the later ones up a number though their paths match.
        const QString text = entryText(static_cast<qsizetype>(n) + 1, path);
        if (action->text() != text)
            action->setText(text);
        entries.push_back(action);
        ++n;
    }
    if (listChanged)
        storeList(list);

    for (std::size_t i = n; i < list.size(); ++i) {
        const QString path = QString::fromStdString(list[i]);
        auto* action = new QAction(entryText(static_cast<qsizetype>(i) + 1, path), this);
        action->setToolTip(path);
        action->setProperty(recentFileProperty, path);
        connect(action, &QAction::triggered, this, &RecentFiles::fileSelected);
        menu->insertAction(separator, action);
        entries.push_back(action);
    }

    // The actions belong to this object, so the surplus ones go rather than wait for it to end.
    while (entries.size() > list.size()) {
        QAction* surplus = entries.back();
        entries.pop_back();
        menu->removeAction(surplus);
        surplus->deleteLater();
    }
}
