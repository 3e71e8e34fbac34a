#include "KV_Log.h"

#include "KV_Api.h"

#include <windows.h>

#include <cwchar>

namespace {

// The stamp as the user's locale writes a date and time: short date, a
// space, long time.
std::wstring DateTimeText(const SYSTEMTIME& time) {
    const int dateLength =
        GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &time, nullptr, nullptr, 0);
    const int timeLength = GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &time, nullptr, nullptr, 0);
    if (dateLength <= 0 || timeLength <= 0) {
        KV_Api::RaiseWin32(GetLastError());
    }
    std::wstring sDate(static_cast<std::size_t>(dateLength), L'\0');
    std::wstring sTime(static_cast<std::size_t>(timeLength), L'\0');
    if (GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &time, nullptr, sDate.data(),
                       dateLength) <= 0 ||
        GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &time, nullptr, sTime.data(), timeLength) <= 0) {
        KV_Api::RaiseWin32(GetLastError());
    }
    sDate.resize(sDate.find(L'\0'));
    sTime.resize(sTime.find(L'\0'));
    return sDate + L' ' + sTime;
}

} // namespace

void WriteLog(const std::wstring& sText, const std::wstring& sFilePrefix, bool bStamp) {
    SYSTEMTIME today;
    GetLocalTime(&today);
    wchar_t date[16];
    std::swprintf(date, 16, L"%04u%02u%02u", today.wYear, today.wMonth, today.wDay);
    const std::wstring sFile = KV_Api::ExeFolder() + L'\\' + sFilePrefix + date + L".log";

    std::wstring sLine = sText;
    if (bStamp) {
        SYSTEMTIME now;
        GetLocalTime(&now);
        sLine = DateTimeText(now) + L':' + sText;
    }
    const std::string line = KV_Api::ToAnsi(sLine) + "\r\n";

    // Append-only access: every write lands at the end, even when another
    // process appends to the same day's file.
    const KV_Api::UniqueHandle file(CreateFileW(sFile.c_str(), FILE_APPEND_DATA,
                                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        KV_Api::RaiseWin32(GetLastError());
    }
    DWORD written = 0;
    if (!WriteFile(file.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr) ||
        written != line.size()) {
        KV_Api::RaiseWin32(GetLastError());
    }
}
