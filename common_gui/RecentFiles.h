#pragma once

#include "prefs/KolPreferences.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <cstdint>
#include <deque>
#include <string>

class QMenu;

// A most-recent-first list of file paths kept in a preference store, each optionally with a blob
// of data, mirrored into any number of menus as numbered actions before a separator and a
// "Clear recent files" action. Paths are stored in UTF-8 with forward slashes only, so one file
// written two ways is one entry.
class RecentFiles : public QObject
{
    Q_OBJECT

public:
    // Drop entries whose file no longer exists (when adding, and when a menu is filled).
    static constexpr std::uint32_t DropMissingFiles = 2;

    RecentFiles(KolPreferences* store, const std::uint32_t& flags, const std::string& prefix,
                const std::uint32_t& maximum);

    // Adds the separator and the clear action to the menu, fills it, and refills it whenever it
    // is about to show.
    void attachMenu(QMenu* menu);

    KolPreferences::Result files(std::deque<std::string>& out) const;

    void setMaximum(const std::uint32_t& maximum);
    void setFlags(const std::uint32_t& flags);
    std::uint32_t flags() const;

    // The display form of a path: at most 45 characters where that can be done by dropping
    // whole leading folders (the root kept), else by dropping characters from the front.
    static QString elide(QString path);

signals:
    void triggered(const QString& path, const QByteArray& data = QByteArray());

public slots:
    // Refills the menu that sent the signal (or the menu of the action that sent it).
    void refresh();
    void clear();
    void addFile(const QString& newFile, const QByteArray& data = QByteArray());
    void removeFile(int index);

protected slots:
    void fileSelected();

private:
    void fillMenu(QMenu* menu);
    std::string dataKey(const std::string& path) const;
    void storeList(const std::deque<std::string>& list);

    std::uint32_t m_maximum;
    KolPreferences* m_store;
    std::string m_dataKeyPrefix;
    std::string m_listKey;
    std::uint32_t m_flags;
};
