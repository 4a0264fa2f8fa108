#include "emulator/transcript_text.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

namespace sv::emu {

namespace {

// A check box's state as the transcript holds it: 0 cleared, 1 ticked, 2 greyed; a transcript of
// an older build may hold true or false.
QChar checkMark(const QJsonValue& checked) {
    if (checked.isBool()) return checked.toBool() ? u'x' : u' ';
    switch (checked.toInt()) {
        case 1:
            return u'x';
        case 2:
            return u'-';
        default:
            return u' ';
    }
}

QString windowText(const QJsonObject& event) {
    QString text = QStringLiteral("[Fenster %1: \"%2\"]\n")
                       .arg(event.value("name").toString(), event.value("caption").toString());
    const QJsonObject controls = event.value("controls").toObject();
    for (auto it = controls.begin(); it != controls.end(); ++it) {
        const QJsonObject control = it.value().toObject();
        if (control.contains("entries")) {
            text += QStringLiteral("  %1:\n").arg(it.key());
            const QJsonArray entries = control.value("entries").toArray();
            const int chosen = control.value("selected").toInt(-1);
            for (int i = 0; i < entries.size(); ++i)
                text += QStringLiteral("    %1 %2\n")
                            .arg(QChar(i == chosen ? u'>' : u' '))
                            .arg(entries[i].toString());
        } else if (control.contains("checked")) {
            text += QStringLiteral("  %1: [%2] %3\n")
                        .arg(it.key(), QString(checkMark(control.value("checked"))),
                             control.value("text").toString());
        } else if (!control.value("text").toString().isEmpty()) {
            text += QStringLiteral("  %1: %2\n").arg(it.key(), control.value("text").toString());
        }
    }
    return text;
}

QString messageBoxText(const QJsonObject& event) {
    QString text = QStringLiteral("[Meldung \"%1\" (%2, %3)]\n")
                       .arg(event.value("title").toString(), event.value("icon").toString(),
                            event.value("buttons").toString());
    for (const QString& line : event.value("text").toString().split(QStringLiteral("\r\n")))
        text += QStringLiteral("  %1\n").arg(line);
    return text + QStringLiteral("  -> %1\n").arg(event.value("answer").toString());
}

QString eventText(const QJsonObject& event) {
    const QString kind = event.value("event").toString();
    if (kind == u"window") return windowText(event);
    if (kind == u"msgbox") return messageBoxText(event);
    if (kind == u"step") return QStringLiteral("(Schritt: %1)\n").arg(event.value("line").toString());
    if (kind == u"closed")
        return QStringLiteral("[Fenster %1 geschlossen]\n").arg(event.value("name").toString());
    if (kind == u"error")
        return QStringLiteral("(Fehler im Skript: %1)\n").arg(event.value("message").toString());
    return {};
}

}  // namespace

QString readableTranscript(const QByteArray& jsonLines) {
    QString text;
    // The transcript notes a step before the box it answers; a reader expects the box first.
    QString heldStep;
    for (const QByteArray& line : jsonLines.split('\n')) {
        if (line.trimmed().isEmpty()) continue;
        const QJsonObject event = QJsonDocument::fromJson(line).object();
        const QString shown = eventText(event);
        if (event.value("event").toString() == u"step") {
            text += heldStep;
            heldStep = shown;
        } else if (event.value("event").toString() == u"msgbox") {
            text += shown + heldStep;
            heldStep.clear();
        } else {
            text += heldStep + shown;
            heldStep.clear();
        }
    }
    return text + heldStep;
}

}  // namespace sv::emu
