#include "platform/Win32ShellDesktop.h"

#include "platform/WindowsText.h"

#include <commdlg.h>
#include <mmsystem.h>
#include <shellapi.h>

#include <algorithm>
#include <string_view>
#include <vector>

namespace velmora {

namespace {

// Long enough for a long path: the dialogs then never answer that the buffer was too small.
constexpr DWORD kPathBuffer = 32768;

// The folder the dialog starts in: the path itself when it is a folder, else the folder it names.
std::wstring startFolder(const std::string& path) {
    std::wstring wide = wideText(path);
    if (wide.empty())
        return wide;
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return wide;
    const size_t separator = wide.find_last_of(L"\\/");
    return separator == std::wstring::npos ? std::wstring() : wide.substr(0, separator + 1);
}

std::string chooseFile(const Win32FileDialogRequest& request, bool save) {
    const std::wstring title = wideText(request.title);
    const std::wstring filter = win32DialogFilter(request.filter);
    const std::wstring folder = startFolder(request.initialPath);
    std::wstring file(kPathBuffer, L'\0');
    if (save) {
        const std::wstring name = wideText(request.initialName);
        file.replace(0, std::min<size_t>(name.size(), kPathBuffer - 1), name);
    }
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = request.owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = kPathBuffer;
    dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    dialog.lpstrTitle = title.empty() ? nullptr : title.c_str();
    dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST;
    if (save)
        dialog.Flags |= OFN_OVERWRITEPROMPT | OFN_CREATEPROMPT;
    else
        dialog.Flags |= OFN_FILEMUSTEXIST;
    const BOOL chosen = save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog);
    if (!chosen)
        return {};
    return utf8Text(std::wstring_view(file.c_str()));
}

} // namespace

std::wstring win32DialogFilter(const std::string& filter) {
    std::vector<std::wstring> parts;
    for (size_t start = 0; start <= filter.size();) {
        const size_t bar = std::min(filter.find('|', start), filter.size());
        if (bar > start)
            parts.push_back(wideText(std::string_view(filter).substr(start, bar - start)));
        start = bar + 1;
    }
    if (parts.empty())
        parts.emplace_back(L"All files");
    if (parts.size() % 2 != 0)
        parts.emplace_back(L"*.*");
    std::wstring pairs;
    for (const std::wstring& part : parts)
        pairs += part + L'\0';
    return pairs + L'\0';
}

std::string Win32ShellDesktop::chooseOpenFile(const Win32FileDialogRequest& request) {
    return chooseFile(request, false);
}

std::string Win32ShellDesktop::chooseSaveFile(const Win32FileDialogRequest& request) {
    return chooseFile(request, true);
}

void Win32ShellDesktop::openInTextEditor(const std::string& path) {
    // Notepad with the path as its one parameter, as typed (no quotes added).
    ShellExecuteW(nullptr, nullptr, L"notepad.exe", wideText(path).c_str(), nullptr, SW_SHOWNORMAL);
}

void Win32ShellDesktop::openFolder(const std::string& path) {
    if (!path.empty())
        ShellExecuteW(nullptr, nullptr, wideText(path).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void Win32ShellDesktop::openAddress(const std::string& address) {
    ShellExecuteW(nullptr, L"open", wideText(address).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void Win32ShellDesktop::playSound(const std::string& eventName) {
    // A named system sound event, played without waiting.
    PlaySoundW(wideText(eventName).c_str(), nullptr, SND_ALIAS | SND_ASYNC);
}

void Win32ShellDesktop::makeTopmost(HWND window) {
    if (window)
        SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

Win32Desktop& systemWin32Desktop() {
    static Win32ShellDesktop desktop;
    return desktop;
}

} // namespace velmora
