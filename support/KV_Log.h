#pragma once
// The diagnostic log: one file per day in the application folder, named the
// prefix, the date as yyyymmdd and ".log". Each call opens the day's file,
// appends one line and closes it again, so nothing stays open between calls
// and a crash loses nothing already written.

#include <string>

// Appends sText as one line (ANSI, CRLF) to <application folder>\<prefix><yyyymmdd>.log.
// With bStamp the line starts with the local date and time in the user's
// short date and long time formats, then ":". Raises KV_Error when the file
// can't be opened or written.
void WriteLog(const std::wstring& sText, const std::wstring& sFilePrefix, bool bStamp);
