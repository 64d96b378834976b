// Stands in for the renderer: writes its working folder and its arguments (the program name
// first), one a line in UTF-8, to the file named by VISTREL_STANDIN_REPORT. The report is
// written beside and then renamed, so a reader never sees half of it.
// clang-format off
#include <windows.h>  // before shellapi.h, which depends on it
#include <shellapi.h>
// clang-format on

#include <cstdio>
#include <filesystem>
#include <string>

int main() {
    wchar_t report[MAX_PATH] = {};
    if (GetEnvironmentVariableW(L"VISTREL_STANDIN_REPORT", report, MAX_PATH) == 0) return 2;
    std::string lines = std::filesystem::current_path().u8string() + "\n";
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 0; arguments && i < count; ++i)
        lines += std::filesystem::path(arguments[i]).u8string() + "\n";
    LocalFree(arguments);

    const std::wstring part = std::wstring(report) + L".part";
    FILE* out = _wfopen(part.c_str(), L"wb");
    if (!out) return 3;
    const bool written = std::fwrite(lines.data(), 1, lines.size(), out) == lines.size();
    if (std::fclose(out) != 0 || !written) return 4;
    return MoveFileExW(part.c_str(), report, MOVEFILE_REPLACE_EXISTING) ? 0 : 5;
}
