#pragma once
// Configuration files of the nine-field layout with N rows, written once per size into a
// temporary folder, for the benchmarks.

#include "platform/data/persist_xml.h"
#include "platform/data/store.h"
#include "platform/files.h"

#include <QDir>
#include <QString>
#include <QTemporaryDir>
#include <map>

namespace sv::bench {

inline QString processDsn(int i) {
    return QStringLiteral("B9%1-0000-4000-8000-000000000000").arg(i, 6, 10, QLatin1Char('0'));
}

inline data::Store configStore(int rows) {
    data::Store store;
    store.fromFile = true;
    for (const char* name :
         {"DSN", "OBJ", "AD", "ADB", "PRJ", "AKTSTART", "AKTERLEDIGT", "AKTUPDATE", "AKTART_DSN"}) {
        data::FieldDef f;
        f.name = QString::fromLatin1(name);
        f.maxLength = f.name == u"DSN" || f.name == u"AKTART_DSN" ? 36 : 1;
        f.writeUnknown = f.name != u"DSN";
        store.fields.push_back(f);
    }
    for (int i = 0; i < rows; ++i) {
        data::Row row{processDsn(i)};
        for (int flag = 0; flag < 7; ++flag)
            row.emplace_back(QStringLiteral("0"));
        row.emplace_back(
            QStringLiteral("A7%1-0000-4000-8000-000000000000").arg(i % 50, 6, 10, QLatin1Char('0')));
        store.rows.push_back(std::move(row));
    }
    return store;
}

// The path of a configuration file with `rows` rows, made on first use.
inline QString configFile(int rows) {
    static QTemporaryDir dir;
    static std::map<int, QString> made;
    auto found = made.find(rows);
    if (found != made.end()) return found->second;
    const QString path = dir.filePath(QStringLiteral("config-%1.xml").arg(rows));
    files::writeFileAtomic(path, data::writePersistedXml(configStore(rows)));
    return made.emplace(rows, path).first->second;
}

}  // namespace sv::bench
