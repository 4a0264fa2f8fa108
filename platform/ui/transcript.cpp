#include "platform/ui/transcript.h"

#include <QJsonDocument>

#include <utility>

namespace sv::ui {

bool Transcript::open(const QString& path) {
    file_.setFileName(path);
    return file_.open(QIODevice::WriteOnly | QIODevice::Append);
}

void Transcript::write(const QJsonObject& event) {
    writeHeld();
    append(event);
}

void Transcript::hold(std::function<QJsonObject()> event) {
    writeHeld();
    // Taking a large window's state costs: without a transcript it is never taken.
    if (file_.isOpen()) held_ = std::move(event);
}

void Transcript::writeHeld() {
    if (!held_) return;
    const std::function<QJsonObject()> event = std::exchange(held_, nullptr);
    if (const QJsonObject taken = event(); !taken.isEmpty()) append(taken);
}

void Transcript::append(const QJsonObject& event) {
    if (!file_.isOpen()) return;
    file_.write(QJsonDocument(event).toJson(QJsonDocument::Compact) + '\n');
    file_.flush();
}

}  // namespace sv::ui
