// Reads the resources back out of the built qdrsetup.exe, so what the resource compiler really
// emitted is checked rather than what the .rc source says.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#ifndef QDR_SETUP_EXE
#error "QDR_SETUP_EXE must name the built qdrsetup.exe as a wide string literal"
#endif

namespace {

// Loaded once as a data image: nothing of the launcher runs, and resources resolve normally.
HMODULE launcherImage() {
    static const HMODULE image =
        LoadLibraryExW(QDR_SETUP_EXE, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    return image;
}

std::string_view resourceBytes(LPCWSTR type, WORD id) {
    HRSRC info = FindResourceW(launcherImage(), MAKEINTRESOURCEW(id), type);
    if (info == nullptr) return {};
    HGLOBAL loaded = LoadResource(launcherImage(), info);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (data == nullptr) return {};
    return {static_cast<const char*>(data), SizeofResource(launcherImage(), info)};
}

class ResourcesTest : public ::testing::Test {
   protected:
    void SetUp() override {
        ASSERT_NE(launcherImage(), nullptr) << "cannot load the launcher image, error " << GetLastError();
    }
};

// --- Manifest --------------------------------------------------------------------------------

// The whole XML tag ("<...>") that contains `needle`, or empty when there is none.
std::string_view tagContaining(std::string_view xml, std::string_view needle) {
    const size_t at = xml.find(needle);
    if (at == std::string_view::npos) return {};
    const size_t open = xml.rfind('<', at);
    const size_t close = xml.find('>', at);
    if (open == std::string_view::npos || close == std::string_view::npos) return {};
    return xml.substr(open, close + 1 - open);
}

struct ManifestExpectation {
    const char* tag;        // text that identifies the tag
    const char* attribute;  // what that same tag must also contain
};

const ManifestExpectation kManifest[] = {
    {"name=\"zuruz\"", "<assemblyIdentity"},
    {"name=\"zuruz\"", "processorArchitecture=\"amd64\""},
    {"name=\"zuruz\"", "type=\"win32\""},
    {"<requestedExecutionLevel", "level=\"asInvoker\""},
    {"<requestedExecutionLevel", "uiAccess=\"false\""},
    {"name=\"Microsoft.Windows.Common-Controls\"", "version=\"6.0.0.0\""},
    {"name=\"Microsoft.Windows.Common-Controls\"", "processorArchitecture=\"amd64\""},
    {"name=\"Microsoft.Windows.Common-Controls\"", "publicKeyToken=\"6595b64144ccf1df\""},
    {"name=\"Microsoft.Windows.Common-Controls\"", "language=\"*\""},
    {"{e2011457-1546-43c5-a5fe-008deee3d3f0}", "<supportedOS"},  // Vista
    {"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "<supportedOS"},  // 7
    {"{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "<supportedOS"},  // 8
    {"{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "<supportedOS"},  // 8.1
    {"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}", "<supportedOS"},  // 10
};

TEST_F(ResourcesTest, ManifestIsResourceOneWithIdentityLevelCommonControlsAndOsList) {
    const std::string_view manifest = resourceBytes(RT_MANIFEST, 1);
    ASSERT_FALSE(manifest.empty()) << "no RT_MANIFEST resource 1";
    for (const ManifestExpectation& e : kManifest) {
        SCOPED_TRACE(std::string(e.tag) + " / " + e.attribute);
        const std::string_view tag = tagContaining(manifest, e.tag);
        ASSERT_FALSE(tag.empty()) << "no tag with " << e.tag;
        EXPECT_NE(tag.find(e.attribute), std::string_view::npos) << std::string(tag);
    }
}

// --- Icon ------------------------------------------------------------------------------------

#pragma pack(push, 2)
struct GroupIconEntry {  // GRPICONDIRENTRY, the form icons take inside RT_GROUP_ICON
    BYTE width, height, colors, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

TEST_F(ResourcesTest, IconGroup1001HoldsSmallMediumAndLargeImages) {
    const std::string_view group = resourceBytes(RT_GROUP_ICON, 1001);
    ASSERT_GE(group.size(), 6u) << "no RT_GROUP_ICON resource 1001";
    WORD count = 0;
    std::memcpy(&count, group.data() + 4, sizeof count);
    ASSERT_EQ(group.size(), 6 + count * sizeof(GroupIconEntry));
    std::vector<int> sizes;
    for (WORD i = 0; i < count; ++i) {
        GroupIconEntry entry;
        std::memcpy(&entry, group.data() + 6 + i * sizeof entry, sizeof entry);
        SCOPED_TRACE("icon image " + std::to_string(entry.id));
        EXPECT_EQ(resourceBytes(RT_ICON, entry.id).size(), entry.bytes);  // the image it names is there
        sizes.push_back(entry.width);
    }
    EXPECT_EQ(sizes, (std::vector<int>{16, 32, 48}));
}

// --- Dialog templates ------------------------------------------------------------------------

// A DLGTEMPLATEEX field that is empty, a 16-bit ordinal (0xFFFF prefix) or a string.
struct NameOrOrdinal {
    WORD ordinal = 0;  // 0: a (possibly empty) string
    std::wstring name;
    bool operator==(const NameOrOrdinal&) const = default;
};
NameOrOrdinal ord(WORD v) { return {v, {}}; }
NameOrOrdinal str(const wchar_t* s) { return {0, s}; }

void PrintTo(const NameOrOrdinal& v, std::ostream* os) {
    if (v.ordinal != 0) {
        *os << "#" << v.ordinal;
    } else {
        *os << '"';
        for (wchar_t c : v.name) *os << static_cast<char>(c < 0x80 ? c : '?');
        *os << '"';
    }
}

// Window class names are matched without regard to case, and windres upper-cases the ones it
// writes, so only class names are compared that way.
bool sameClass(const NameOrOrdinal& a, const NameOrOrdinal& b) {
    return a.ordinal == b.ordinal && CompareStringOrdinal(a.name.c_str(), -1, b.name.c_str(), -1, TRUE) == CSTR_EQUAL;
}

// Sequential little-endian reader over the template; a read past the end sets `failed`.
struct Reader {
    std::string_view bytes;
    size_t pos = 0;
    bool failed = false;

    template <typename T>
    T get() {
        T value{};
        if (pos + sizeof(T) > bytes.size()) {
            failed = true;
            pos = bytes.size();
            return value;
        }
        std::memcpy(&value, bytes.data() + pos, sizeof(T));
        pos += sizeof(T);
        return value;
    }
    std::wstring text() {
        std::wstring s;
        for (wchar_t c = get<wchar_t>(); c != 0 && !failed; c = get<wchar_t>()) s += c;
        return s;
    }
    NameOrOrdinal nameOrOrdinal() {
        const WORD first = get<WORD>();
        if (first == 0) return {};
        if (first == 0xFFFF) return ord(get<WORD>());
        pos -= sizeof(WORD);
        return str(text().c_str());
    }
    void alignToDword() { pos = (pos + 3) & ~size_t{3}; }
};

// Position and size in dialog units.
struct Box {
    int x, y, cx, cy;
    bool operator==(const Box&) const = default;
};

void PrintTo(const Box& b, std::ostream* os) { *os << b.x << "," << b.y << " " << b.cx << "x" << b.cy; }

struct Control {
    DWORD id;
    NameOrOrdinal windowClass;
    Box box;
    DWORD styleMask;  // the bits the table speaks about ...
    DWORD style;      // ... and their required values
    NameOrOrdinal text;
};

struct Dialog {
    WORD resourceId;
    Box box;
    DWORD style, exStyle;
    NameOrOrdinal windowClass;
    std::wstring title;
    std::vector<Control> controls;
};

void PrintTo(const Dialog& d, std::ostream* os) { *os << "dialog " << d.resourceId; }

struct ParsedDialog {
    Dialog header;
    WORD dlgVer = 0, signature = 0, pointSize = 0;
    std::wstring typeface;
    NameOrOrdinal menu;
};

Box readBox(Reader& r) {
    Box b;
    b.x = r.get<short>();
    b.y = r.get<short>();
    b.cx = r.get<short>();
    b.cy = r.get<short>();
    return b;
}

ParsedDialog parseDialog(Reader& r) {
    ParsedDialog d;
    d.dlgVer = r.get<WORD>();
    d.signature = r.get<WORD>();
    r.get<DWORD>();  // helpID
    d.header.exStyle = r.get<DWORD>();
    d.header.style = r.get<DWORD>();
    const WORD items = r.get<WORD>();
    d.header.box = readBox(r);
    d.menu = r.nameOrOrdinal();
    d.header.windowClass = r.nameOrOrdinal();
    d.header.title = r.text();
    if (d.header.style & (DS_SETFONT | DS_SHELLFONT)) {
        d.pointSize = r.get<WORD>();
        r.get<WORD>();  // weight
        r.get<BYTE>();  // italic
        r.get<BYTE>();  // charset
        d.typeface = r.text();
    }
    for (WORD i = 0; i < items && !r.failed; ++i) {
        r.alignToDword();
        Control c{};
        r.get<DWORD>();  // helpID
        r.get<DWORD>();  // exStyle
        c.style = r.get<DWORD>();
        c.box = readBox(r);
        c.id = r.get<DWORD>();
        c.windowClass = r.nameOrOrdinal();
        c.text = r.nameOrOrdinal();
        r.pos += r.get<WORD>();  // creation data
        d.header.controls.push_back(c);
    }
    return d;
}

constexpr WORD kButton = 0x0080, kEdit = 0x0081, kStatic = 0x0082;  // predefined class atoms
constexpr DWORD kNoId = static_cast<DWORD>(-1);
constexpr DWORD kVisibleChild = WS_CHILD | WS_VISIBLE;

constexpr DWORD kTextMask = kVisibleChild | WS_GROUP | SS_NOPREFIX | SS_TYPEMASK;
constexpr DWORD kButtonMask = kVisibleChild | BS_TYPEMASK;
constexpr DWORD kStaticMask = kVisibleChild | SS_TYPEMASK;
constexpr DWORD kPushButton = kVisibleChild | BS_PUSHBUTTON;
constexpr DWORD kDefaultButton = kVisibleChild | BS_DEFPUSHBUTTON;
constexpr DWORD kGroupTab = WS_GROUP | WS_TABSTOP;
constexpr DWORD kEditStyle = kVisibleChild | WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_READONLY;

const Control kIcon{kNoId, ord(kStatic), {13, 10, 32, 32}, kStaticMask, kVisibleChild | SS_ICON, ord(1001)};

const std::vector<Control> kErrorControls = {
    {IDCANCEL, ord(kButton), {115, 157, 50, 14}, kButtonMask, kDefaultButton, str(L"@MSG_ERROR_DIALOG_OK@")},
    {1000, ord(kEdit), {7, 21, 261, 128}, kEditStyle, kEditStyle, str(L"")},
    {1001, ord(kStatic), {7, 7, 261, 12}, kStaticMask, kVisibleChild | SS_LEFT, str(L"@MSG_ERROR_DIALOG_TEXT@")},
};

const std::vector<Control> kProgressControls = {
    {1003, ord(kStatic), {46, 6, 176, 34}, kTextMask, kVisibleChild | WS_GROUP | SS_NOPREFIX, str(L"")},
    {1001, str(L"msctls_progress32"), {6, 61, 162, 10}, kVisibleChild | WS_BORDER, kVisibleChild | WS_BORDER, str(L"")},
    {1002, ord(kStatic), {6, 50, 154, 8}, kTextMask, WS_CHILD | WS_GROUP | SS_NOPREFIX, str(L"")},
    {IDCANCEL, ord(kButton), {173, 59, 50, 14}, kButtonMask | kGroupTab, kPushButton | kGroupTab, str(L"")},
    kIcon,
};

const std::vector<Control> kJrePromptControls = {
    {1004, ord(kButton), {61, 59, 50, 14}, kButtonMask, kDefaultButton, str(L"")},
    {1005, ord(kButton), {117, 59, 50, 14}, kButtonMask, kPushButton, str(L"")},
    {IDCANCEL, ord(kButton), {173, 59, 50, 14}, kButtonMask, kPushButton, str(L"")},
    {1003, ord(kStatic), {46, 6, 176, 45}, kStaticMask, kVisibleChild | SS_LEFT, str(L"")},
    kIcon,
};

const Dialog kDialogs[] = {
    {101, {0, 0, 275, 178}, 0x80C800C8, 0, str(L""), L"@MSG_ERROR_DIALOG_CAPTION@", kErrorControls},
    {103, {22, 17, 233, 79}, 0x00CA00CC, WS_EX_APPWINDOW, str(L"MyDialogClass"), L"", kProgressControls},
    {104, {0, 0, 233, 79}, 0x80C800C8, 0, str(L""), L"", kJrePromptControls},
};

class DialogTemplateTest : public ResourcesTest, public ::testing::WithParamInterface<Dialog> {};

TEST_P(DialogTemplateTest, MatchesTable) {
    const Dialog& want = GetParam();
    Reader reader{resourceBytes(RT_DIALOG, want.resourceId)};
    ASSERT_FALSE(reader.bytes.empty()) << "no RT_DIALOG resource " << want.resourceId;
    const ParsedDialog got = parseDialog(reader);
    ASSERT_FALSE(reader.failed) << "template ends early";

    EXPECT_EQ(got.dlgVer, 1);
    EXPECT_EQ(got.signature, 0xFFFF);
    EXPECT_EQ(got.header.style, want.style) << std::hex << "0x" << got.header.style << ", want 0x" << want.style;
    EXPECT_EQ(got.header.exStyle, want.exStyle) << std::hex << "0x" << got.header.exStyle;
    EXPECT_EQ(got.header.box, want.box);
    EXPECT_EQ(got.menu, NameOrOrdinal{});
    EXPECT_PRED2(sameClass, got.header.windowClass, want.windowClass);
    EXPECT_EQ(got.header.title, want.title);
    EXPECT_EQ(got.pointSize, 8);
    EXPECT_EQ(got.typeface, L"MS Shell Dlg");

    ASSERT_EQ(got.header.controls.size(), want.controls.size());
    for (size_t i = 0; i < want.controls.size(); ++i) {
        const Control& w = want.controls[i];
        const Control& g = got.header.controls[i];
        SCOPED_TRACE("control #" + std::to_string(i) + " id " + std::to_string(static_cast<int>(w.id)));
        EXPECT_EQ(g.id, w.id);
        EXPECT_PRED2(sameClass, g.windowClass, w.windowClass);
        EXPECT_EQ(g.box, w.box);
        EXPECT_EQ(g.style & w.styleMask, w.style)
            << std::hex << "style 0x" << g.style << ", want 0x" << w.style << " under mask 0x" << w.styleMask;
        EXPECT_EQ(g.text, w.text);
    }
}

INSTANTIATE_TEST_SUITE_P(Launcher, DialogTemplateTest, ::testing::ValuesIn(kDialogs),
                         [](const ::testing::TestParamInfo<Dialog>& info) {
                             return "Dialog" + std::to_string(info.param.resourceId);
                         });

}  // namespace
