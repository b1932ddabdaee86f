#include "win32/Win32MainWindow.h"

#include "mainwindow/Credits.h"
#include "platform/Win32Desktop.h"
#include "win32/Win32Collation.h"
#include "win32/Win32ListView.h"
#include "win32/Win32Look.h"
#include "win32/Win32Pictures.h"

#include <commctrl.h>

namespace velmora {

namespace {

struct Control {
    const char* name;
    int id;
};

// Controls and menu commands by their form names.
namespace id {
constexpr int kSourcePath = 100;
constexpr int kHostsPath = 101;
constexpr int kBrowseSource = 102;
constexpr int kBrowseHosts = 103;
constexpr int kMerge = 104;
constexpr int kOpen = 105;
constexpr int kAdded = 106;
constexpr int kSave = 107;
constexpr int kClear = 108;
constexpr int kLines = 109;
constexpr int kSort = 110;
constexpr int kTitle = 111;
constexpr int kSourceCaption = 112;
constexpr int kAddedStatus = 113;
constexpr int kHostsCaption = 114;
constexpr int kRereadStatus = 115;
constexpr int kAddedCaption = 116;
constexpr int kArrow = 117;
constexpr int kTotal = 118;
constexpr int kCredits = 119;
constexpr int kFileOpen = 200;
constexpr int kFileSave = 201;
constexpr int kFileExit = 202;
constexpr int kEditUndo = 203;
constexpr int kEditRedo = 204;
constexpr int kEditFind = 205;
constexpr int kEditFindNext = 206;
constexpr int kEditDelete = 207;
constexpr int kEditRemoveBlock = 208;
} // namespace id

constexpr Control kControls[] = {
    {"txtHOSTS(0)", id::kSourcePath},
    {"txtHOSTS(1)", id::kHostsPath},
    {"btnBrowse(0)", id::kBrowseSource},
    {"btnBrowse(1)", id::kBrowseHosts},
    {"btnMerge", id::kMerge},
    {"btnOpen", id::kOpen},
    {"lstNew", id::kAdded},
    {"btnSave", id::kSave},
    {"btnClear", id::kClear},
    {"lstHOSTS", id::kLines},
    {"btnSort", id::kSort},
    {"Label1", id::kTitle},
    {"lblHOSTS(0)", id::kSourceCaption},
    {"lblHOSTS1", id::kAddedStatus},
    {"lblHOSTS(1)", id::kHostsCaption},
    {"lblHOSTS2", id::kRereadStatus},
    {"lblNew", id::kAddedCaption},
    {"Label2", id::kArrow},
    {"lblHOSTS3", id::kTotal},
    {"lblCredits", id::kCredits},
    {"mnuFileOpen", id::kFileOpen},
    {"mnuFileSave", id::kFileSave},
    {"mnuFileExist", id::kFileExit},
    {"mnuEditUndo", id::kEditUndo},
    {"mnuEditRedo", id::kEditRedo},
    {"mnuEditFind", id::kEditFind},
    {"mnuFindNext", id::kEditFindNext},
    {"mnuEditDelete", id::kEditDelete},
    {"mnuEditRemoveBlock", id::kEditRemoveBlock},
};

// The window's pictures, in twips.
constexpr TwipsRect kHeader{-15, -15, 7845, 1020}; // "Shape1", behind the heading and the logo
constexpr TwipsRect kLogo{6255, 120, 720, 720};    // "Image1"
constexpr TwipsRect kBand{-15, 5970, 7875, 840};   // "Image2", behind Sort and the credit line
constexpr int kClientWidth = 7770;
constexpr int kClientHeight = 6465;

constexpr UINT_PTR kChildSubclass = 1;

RECT place(int left, int top, int width, int height) {
    return win32::twipsRect(left, top, width, height);
}

RECT place(const TwipsRect& r) {
    return win32::twipsRect(r);
}

} // namespace

Win32MainWindow::Win32MainWindow(FileSystem& files, Environment& environment, Win32Desktop& desktop)
    : m_desktop(desktop), m_ui(desktop), m_document(files, environment, m_ui) {
    win32::registerWindowClass(L"formVelmora");
    m_document.setCollation(std::make_unique<Win32Collation>());
    m_menu = buildMenus();
    create(L"formVelmora", L"Velmora", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN, 0,
           win32::twips(kClientWidth), win32::twips(kClientHeight), nullptr, m_menu);
    // The window's default font, used by every control without a font of its own.
    SendMessageW(handle(), WM_SETFONT, reinterpret_cast<WPARAM>(win32::msSansSerifFont(8.25)), FALSE);
    if (HICON big = win32::programIcon(32))
        SendMessageW(handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
    if (HICON small = win32::programIcon(16))
        SendMessageW(handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
    buildControls();
    m_ui.setOwner(handle());
    DragAcceptFiles(handle(), TRUE);
    m_document.setTextsListener([this] { showDocumentTexts(); });
}

Win32MainWindow::~Win32MainWindow() {
    m_document.setTextsListener(nullptr);
    // The views watch the document's lines: they go first, while the lines they stop watching are
    // still there.
    m_lines.reset();
    m_addedLines.reset();
    if (m_accelerators)
        DestroyAcceleratorTable(m_accelerators);
    if (m_bandBrush)
        DeleteObject(m_bandBrush);
}

int Win32MainWindow::controlId(std::string_view name) {
    for (const Control& control : kControls) {
        if (name == control.name)
            return control.id;
    }
    return -1;
}

HWND Win32MainWindow::control(std::string_view name) const {
    return GetDlgItem(handle(), controlId(name));
}

HMENU Win32MainWindow::buildMenus() {
    const auto item = [](HMENU menu, int command, const wchar_t* caption) {
        AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(command), caption);
    };
    HMENU file = CreatePopupMenu();
    item(file, id::kFileOpen, L"&Open HOSTS\tCtrl+O");
    item(file, id::kFileSave, L"&Save HOSTS\tCtrl+S");
    AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
    item(file, id::kFileExit, L"E&xit");
    m_editMenu = CreatePopupMenu();
    item(m_editMenu, id::kEditUndo, L"&Undo\tCtrl+Z");
    item(m_editMenu, id::kEditRedo, L"&Redo\tCtrl+Y");
    EnableMenuItem(m_editMenu, id::kEditUndo, MF_GRAYED);
    EnableMenuItem(m_editMenu, id::kEditRedo, MF_GRAYED);
    AppendMenuW(m_editMenu, MF_SEPARATOR, 0, nullptr);
    item(m_editMenu, id::kEditFind, L"&Find\tCtrl+F");
    item(m_editMenu, id::kEditFindNext, L"Find &Next\tF3");
    AppendMenuW(m_editMenu, MF_SEPARATOR, 0, nullptr);
    item(m_editMenu, id::kEditDelete, L"&Delete\tDel");
    item(m_editMenu, id::kEditRemoveBlock, L"Remove &block...");
    HMENU bar = CreateMenu();
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"&File");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(m_editMenu), L"&Edit");

    // The shortcuts act wherever the focus is in the window.
    ACCEL keys[] = {
        {FVIRTKEY | FCONTROL, 'O', id::kFileOpen},
        {FVIRTKEY | FCONTROL, 'S', id::kFileSave},
        {FVIRTKEY | FCONTROL, 'Z', id::kEditUndo},
        {FVIRTKEY | FCONTROL, 'Y', id::kEditRedo},
        {FVIRTKEY | FCONTROL | FSHIFT, 'Z', id::kEditRedo},
        {FVIRTKEY | FCONTROL, 'F', id::kEditFind},
        {FVIRTKEY, VK_F3, id::kEditFindNext},
        {FVIRTKEY, VK_DELETE, id::kEditDelete},
    };
    m_accelerators = CreateAcceleratorTableW(keys, static_cast<int>(std::size(keys)));
    return bar;
}

void Win32MainWindow::buildControls() {
    HFONT tahoma = win32::tahomaFont(8.25);
    HFONT tahomaBold = win32::tahomaFont(8.25, true);
    HFONT windowFont = win32::msSansSerifFont(8.25);
    const auto label = [&](int control, const wchar_t* caption, const RECT& where, DWORD style = SS_LEFT,
                           HFONT font = nullptr) {
        return addControl(L"STATIC", caption, style | SS_NOPREFIX, 0, where, control, font ? font : windowFont);
    };
    const auto button = [&](int control, const wchar_t* caption, const RECT& where, HFONT font) {
        return addControl(L"BUTTON", caption, BS_OWNERDRAW | WS_TABSTOP, 0, where, control, font);
    };

    // The controls that take the focus, in the focus order: the order of the windows is the Tab order.
    m_paths[0] = addControl(L"EDIT", L"", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, place(4980, 1275, 2355, 330),
                            id::kSourcePath, windowFont);
    addControl(L"BUTTON", L"...", BS_PUSHBUTTON | WS_TABSTOP, 0, place(7335, 1260, 330, 330), id::kBrowseSource,
               windowFont);
    m_paths[1] = addControl(L"EDIT", L"", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, place(4980, 2115, 2355, 330),
                            id::kHostsPath, windowFont);
    addControl(L"BUTTON", L"...", BS_PUSHBUTTON | WS_TABSTOP, 0, place(7335, 2115, 330, 330), id::kBrowseHosts,
               windowFont);
    button(id::kMerge, L"&Load / Merge >>", place(4980, 2670, 2115, 570), tahomaBold);
    button(id::kOpen, L"Open", place(7080, 2670, 615, 570), tahoma);
    m_addedLines = std::make_unique<Win32ListView>(handle(), id::kAdded, place(4950, 3570, 2685, 1230),
                                                   m_document.addedLines(), m_document.addedSelection(), false);
    m_addedLines->setLook(windowFont, GetSysColor(COLOR_WINDOWTEXT), win32::kLightYellow);
    m_addedLines->onCurrentPicked = [this] { m_document.selectCurrentAddedLine(); };
    button(id::kSave, L"Save", place(5775, 4920, 1215, 615), tahoma);
    button(id::kClear, L"Clear", place(6960, 4920, 675, 615), tahoma);
    m_lines = std::make_unique<Win32ListView>(handle(), id::kLines, place(15, 1080, 4890, 4845), m_document.lines(),
                                              m_document.selection(), true);
    m_lines->setLook(tahoma, win32::kDarkBlue, GetSysColor(COLOR_WINDOW));
    m_lines->setRightButtonSelects(false);
    m_lines->onRightButtonReleased = [this](POINT at) {
        TrackPopupMenu(m_editMenu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, handle(), nullptr);
    };
    button(id::kSort, L"Sort", place(15, 6105, 645, 285), tahomaBold);

    // Labels take no focus.
    label(id::kTitle, L"Velmora", place(210, 210, 4845, 540), SS_LEFT, win32::tahomaFont(21.75));
    m_captions[0] = label(id::kSourceCaption, L"New HOSTS", place(5010, 1065, 2130, 225), SS_LEFT | SS_NOTIFY, tahoma);
    label(id::kAddedStatus, L"", place(5085, 1620, 1380, 300));
    m_captions[1] =
        label(id::kHostsCaption, L"Current HOSTS", place(4995, 1890, 1380, 300), SS_LEFT | SS_NOTIFY, tahoma);
    label(id::kRereadStatus, L"", place(5085, 2460, 1380, 300));
    label(id::kAddedCaption, L"Added sites:", place(5010, 3375, 1200, 240));
    label(id::kArrow, L"==>", place(5040, 5115, 900, 240), SS_CENTER, win32::msSansSerifFont(9.75, true));
    label(id::kTotal, L"", place(5085, 5685, 2580, 300));
    m_credits = label(id::kCredits, win32::wide(credits::kText).c_str(), place(5985, 6150, 1635, 255),
                      SS_OWNERDRAW | SS_NOTIFY, win32::msSansSerifFont(8.25, false, true));

    fitCreditLine();
    m_bandBrush = bandBrush();

    for (HWND child : {m_paths[0], m_paths[1], m_captions[0], m_captions[1], m_credits})
        SetWindowSubclass(child, &Win32MainWindow::childProcedure, kChildSubclass, reinterpret_cast<DWORD_PTR>(this));
    m_lastFocus = m_paths[0];
}

// The credit line ends where its place ends; a face wider than the one it was drawn for takes room to its
// left rather than cutting the line. Its tooltip is the address a click opens.
void Win32MainWindow::fitCreditLine() {
    HDC dc = GetDC(m_credits);
    const HGDIOBJ old = SelectObject(dc, win32::msSansSerifFont(8.25, false, true));
    const std::wstring credit = win32::wide(credits::kText);
    SIZE size{};
    GetTextExtentPoint32W(dc, credit.c_str(), static_cast<int>(credit.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(m_credits, dc);
    const RECT designed = place(5985, 6150, 1635, 255);
    if (size.cx > designed.right - designed.left)
        MoveWindow(m_credits, designed.right - size.cx, designed.top, size.cx, designed.bottom - designed.top, FALSE);

    m_tooltip = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
    std::wstring homePage = win32::wide(credits::kHomePage);
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = handle();
    tool.uId = reinterpret_cast<UINT_PTR>(m_credits);
    tool.lpszText = homePage.data();
    SendMessageW(m_tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

// The credit line stands on the band: its background is the band's own colours, a strip one pixel wide.
HBRUSH Win32MainWindow::bandBrush() {
    const RECT band = place(kBand);
    const win32::Picture* picture = win32::picture("band.png");
    if (!picture)
        return nullptr;
    HDC screen = GetDC(handle());
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP strip = CreateCompatibleBitmap(screen, 1, band.bottom - band.top);
    const HGDIOBJ old = SelectObject(memory, strip);
    RECT whole{0, 0, 1, band.bottom - band.top};
    FillRect(memory, &whole, GetSysColorBrush(COLOR_BTNFACE));
    win32::drawPicture(memory, *picture, whole);
    SelectObject(memory, old);
    DeleteDC(memory);
    ReleaseDC(handle(), screen);
    HBRUSH brush = CreatePatternBrush(strip);
    DeleteObject(strip);
    return brush;
}

void Win32MainWindow::showDocumentTexts() {
    m_showingTexts = true;
    const std::string* paths[] = {&m_document.sourcePath(), &m_document.hostsPath()};
    for (int row = 0; row < 2; ++row) {
        const std::wstring path = win32::wide(*paths[row]);
        if (win32::windowText(m_paths[static_cast<size_t>(row)]) != path) {
            SetWindowTextW(m_paths[static_cast<size_t>(row)], path.c_str());
            SendMessageW(m_paths[static_cast<size_t>(row)], EM_EMPTYUNDOBUFFER, 0, 0);
            m_boxUndo[static_cast<size_t>(row)] = BoxUndo::None;
        }
    }
    SetDlgItemTextW(handle(), id::kAddedStatus, win32::screenText(m_document.addedStatus()).c_str());
    SetDlgItemTextW(handle(), id::kRereadStatus, win32::screenText(m_document.rereadStatus()).c_str());
    SetDlgItemTextW(handle(), id::kTotal, win32::screenText(m_document.totalStatus()).c_str());
    EnableMenuItem(m_editMenu, id::kEditUndo, m_document.canUndo() ? MF_ENABLED : MF_GRAYED);
    EnableMenuItem(m_editMenu, id::kEditRedo, m_document.canRedo() ? MF_ENABLED : MF_GRAYED);
    m_showingTexts = false;
}

void Win32MainWindow::start(bool noLoad) {
    m_document.start(noLoad);
}

void Win32MainWindow::drawCredits(const DRAWITEMSTRUCT& item) {
    // One line, right-aligned, on the band's own colours: a static control would wrap it.
    HDC dc = item.hDC;
    if (m_bandBrush) {
        RECT where{};
        GetWindowRect(item.hwndItem, &where);
        MapWindowPoints(nullptr, handle(), reinterpret_cast<POINT*>(&where), 2);
        SetBrushOrgEx(dc, 0, place(kBand).top - where.top, nullptr);
        FillRect(dc, &item.rcItem, m_bandBrush);
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, win32::kPureBlue);
    const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(item.hwndItem, WM_GETFONT, 0, 0)));
    const std::wstring text = win32::windowText(item.hwndItem);
    RECT r = item.rcItem;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, old);
}

void Win32MainWindow::paint() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(handle(), &paint);
    const RECT header = place(kHeader);
    FillRect(dc, &header, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    HBRUSH outline = CreateSolidBrush(win32::kBandOutline);
    FrameRect(dc, &header, outline);
    DeleteObject(outline);
    if (const win32::Picture* logo = win32::picture("velmora48.png"))
        win32::drawPicture(dc, *logo, place(kLogo));
    if (const win32::Picture* band = win32::picture("band.png"))
        win32::drawPicture(dc, *band, place(kBand));
    EndPaint(handle(), &paint);
}

LRESULT Win32MainWindow::colourStatic(HDC dc, HWND control) {
    const int which = GetDlgCtrlID(control);
    if (which == id::kTitle) {
        // The heading stands on the white band across the top.
        SetBkColor(dc, win32::kWhite);
        return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
    }
    const bool blue = which == id::kAddedStatus || which == id::kRereadStatus || which == id::kTotal ||
                      (control == m_captions[0] && m_captionLink[0]) || (control == m_captions[1] && m_captionLink[1]);
    SetTextColor(dc, blue ? win32::kPureBlue : GetSysColor(COLOR_BTNTEXT));
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

} // namespace velmora
