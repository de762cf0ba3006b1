#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

// The send logs in AppPaths::logFolder(): one file per run, named "News_ddMMyyyy_N.log" with N
// the smallest free number of the day from 1 upward. Main thread only (the routines show boxes).

// Creates the empty log of a new run under the next free name of the given day. On success
// Failed is false and Name the new file's full path; on failure Failed is true, Name is empty
// and an error box (#369 folder, #393 file) has been shown. Creation is exclusive, so two
// runs never get the same file.
void CreateLogFile(bool& Failed, QString& Name, const QDate& today = QDate::currentDate());

// Fills List with one line "title|file name" per entry named like a log ("News_*_*.log",
// any letter case, files and folders alike), sorted by name without regard to case. A missing
// log folder gives an empty list. Returns false, with the box #433 shown, when the folder
// cannot be read.
bool ListLogFiles(QStringList& List);
