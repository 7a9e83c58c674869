#pragma once

#include <QString>

// Name codes of SPEAK/INDEX1 and INDEX2: which reading goes before FOOT1 and FOOT2.
enum AnnouncementName { anNone = 0, anCaller = 1, anLine = 2 };

// The spoken text of an incoming call: the reading chosen by index1 and foot1, then
// the reading chosen by index2 and foot2. A code other than 1 or 2 drops its reading
// and its foot text.
QString ComposeAnnouncement(int index1, int index2, const QString& callerReading, const QString& lineReading,
                            const QString& foot1, const QString& foot2);

// The text without half-width and full-width blanks, so that a reading typed with a blank
// ("やま だ") is spoken as one word.
QString RemoveBlanks(const QString& text);
