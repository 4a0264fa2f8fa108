#include "platform/ui/transcript.h"

#include <QJsonDocument>

namespace sv::ui {

bool Transcript::open(const QString& path) {
    file_.setFileName(path);
    return file_.open(QIODevice::WriteOnly | QIODevice::Append);
}

void Transcript::write(const QJsonObject& event) {
    if (!file_.isOpen()) return;
    file_.write(QJsonDocument(event).toJson(QJsonDocument::Compact) + '\n');
    file_.flush();
}

}  // namespace sv::ui
