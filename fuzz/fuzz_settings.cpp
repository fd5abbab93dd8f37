// Settings file contents from the fuzzer. The reader keeps every byte it does not change;
// saving, reading back and saving again changes nothing; nothing touches the disk.
// max_len: 8192
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/Settings.h"

using namespace ravlin;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string content(reinterpret_cast<const char*>(data), size);
    TTextTable texts(299, "t");
    for (int i = 0; i < 5; ++i)
        SetText(texts, TextInRun(Text::UserIdTitle, i), "User " + std::to_string(i));

    TIniFile ini("");
    ini.LoadText(content);
    if (ini.Content() != content) std::abort();  // byte for byte without writes

    TSettings s;
    s.Load(ini);
    ReadUserTitles(ini, texts, s.UserTitles);
    if (s.Window.State < 0 || s.Window.State > 2 || s.PageControl < 0 || s.PageControl > 4)
        std::abort();
    for (const char* section : {"Setup", "Window", "Grid_Config"}) ini.ReadSectionKeys(section);

    s.Save(ini, texts, "/doc.rvl");  // no path: UpdateFile fails without any I/O
    // Reading back what was saved and saving it again changes nothing.
    TIniFile again("");
    again.LoadText(ini.Content());
    TSettings r;
    r.Load(again);
    ReadUserTitles(again, texts, r.UserTitles);
    r.Save(again, texts, "/doc.rvl");
    if (again.Modified() || again.Content() != ini.Content()) std::abort();
    return 0;
}
