// The note stamp: plain and HTML notes, the tag's letter case and attributes, the time format.
#include "src/start/start_note.h"

#include <gtest/gtest.h>

using sv::noteTimeStamp;
using sv::stampedNote;

namespace {
const QString kT1 = "08.12.2026 14:05:09:";
const QString kT2 = "08.12.2026 14:05:10:";
const QString kInitiated = kT2 + " Der Prozess wurde von 'Anna' initiiert.";
const QString kStarted = kT1 + " Der Prozess wurde von 'Anna' gestartet.";
}  // namespace

TEST(StartNote, TimeStampHasTwoDigitFieldsAndAFinalColon) {
    EXPECT_EQ(noteTimeStamp(QDateTime(QDate(2026, 12, 8), QTime(14, 5, 9))), "08.12.2026 14:05:09:");
    EXPECT_EQ(noteTimeStamp(QDateTime(QDate(2027, 1, 2), QTime(3, 4, 5))), "02.01.2027 03:04:05:");
    EXPECT_EQ(noteTimeStamp(QDateTime(QDate(2026, 6, 30), QTime(23, 59, 59))), "30.06.2026 23:59:59:");
}

TEST(StartNote, PlainNotesGetTheLinesOnTopSeparatedByLineBreaks) {
    EXPECT_EQ(stampedNote("", "Anna", kT1, kT2), kInitiated + "\r\n" + kStarted + "\r\n\r\n\r\n");
    EXPECT_EQ(stampedNote("Alt\r\nZeile 2", "Anna", kT1, kT2),
              kInitiated + "\r\n" + kStarted + "\r\n\r\n\r\nAlt\r\nZeile 2");
    // A tag name that is only similar does not make a note HTML.
    EXPECT_TRUE(stampedNote("<BOD>x", "Anna", kT1, kT2).startsWith(kInitiated + "\r\n"));
}

TEST(StartNote, HtmlNotesGetTheLinesRightAfterTheBodyTag) {
    EXPECT_EQ(
        stampedNote("<html><BODY bgcolor=\"#FFF\">X</BODY></html>", "Anna", kT1, kT2),
        "<html><BODY bgcolor=\"#FFF\">" + kInitiated + "<br/>" + kStarted + "<br/><br/><br/>X</BODY></html>");
    // Any letter case counts, and positions are counted in UTF-16 characters (umlauts before the tag).
    EXPECT_EQ(stampedNote("<p>Grüße</p><body>Ä", "Anna", kT1, kT2),
              "<p>Grüße</p><body>" + kInitiated + "<br/>" + kStarted + "<br/><br/><br/>Ä");
    EXPECT_EQ(stampedNote("😀<BoDy>", "Anna", kT1, kT2),
              "😀<BoDy>" + kInitiated + "<br/>" + kStarted + "<br/><br/><br/>");
    // No ">" after the tag: the head is empty and both lines go in front of everything.
    EXPECT_EQ(stampedNote("<html><BODY", "Anna", kT1, kT2),
              kInitiated + "<br/>" + kStarted + "<br/><br/><br/><html><BODY");
}

TEST(StartNote, UserNameIsInsertedUnchanged) {
    const QString note = stampedNote("", "O'Brien <Admin> & Co", kT1, kT2);
    EXPECT_TRUE(note.startsWith(kT2 + " Der Prozess wurde von 'O'Brien <Admin> & Co' initiiert.\r\n"));
    EXPECT_TRUE(note.contains(kT1 + " Der Prozess wurde von 'O'Brien <Admin> & Co' gestartet."));
}

TEST(StartNote, InAnHtmlNoteTheUserNameAndTimesShowAsText) {
    const QString user = "O'Brien </BODY><script>alert(\"x\")</script> & Co";
    const QString shown = "O'Brien &lt;/BODY&gt;&lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt; &amp; Co";
    EXPECT_EQ(stampedNote("<BODY>X</BODY>", user, "<1>", "&2"),
              "<BODY>&amp;2 Der Prozess wurde von '" + shown +
                  "' initiiert.<br/>&lt;1&gt; Der Prozess wurde von '" + shown +
                  "' gestartet.<br/><br/><br/>X</BODY>");
}
