#include "platform/Win32ShellDesktop.h"

#include "platform/WindowsText.h"

#include <commdlg.h>
#include <mmsystem.h>
#include <shellapi.h>

#include <string_view>

namespace velmora {

namespace {

// Long enough for a long path: the dialogs then never answer that the buffer was too small.
constexpr DWORD kPathBuffer = 32768;

// "desc|pattern|desc|pattern" as the dialogs' pairs of texts, each ended by a NUL and the whole by two;
// a description without a pattern lists every file.
std::wstring dialogFilter(const std::string& filter) {
    std::wstring pairs;
    size_t start = 0;
    bool description = true;
    int parts = 0;
    while (start <= filter.size()) {
        size_t bar = filter.find('|', start);
        if (bar == std::string::npos)
            bar = filter.size();
        if (bar > start) {
            pairs += wideText(std::string_view(filter).substr(start, bar - start));
            pairs += L'\0';
            description = !description;
            ++parts;
        }
        start = bar + 1;
    }
    if (parts == 0)
        pairs = std::wstring(L"All files", 9) + L'\0';
    if (!description)
        pairs += std::wstring(L"*.*", 3) + L'\0';
    return pairs + L'\0';
}

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
    const std::wstring filter = dialogFilter(request.filter);
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
