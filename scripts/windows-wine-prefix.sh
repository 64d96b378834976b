# Sourced by the Windows test scripts, with $build_dir set to the Windows build folder: starts a
# Wine prefix of that folder's own (so runs do not depend on ~/.wine) and a server that lasts
# until the script ends, installs the stand-in renderer where a renderer would be (a path with
# blanks) and registers it under HKEY_LOCAL_MACHINE\SOFTWARE\Tavren\Vistrel.
# Sets $wine to the program that runs Windows programs.
export WINEPREFIX="$build_dir/wine-prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko installers in a fresh prefix
wine=$(command -v wine || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver64)
"$wine" wineboot --init >/dev/null 2>&1
# One server for the whole run (each test is a process of its own), ended with the script.
"$wineserver" -p >/dev/null 2>&1 || true
trap '"$wineserver" -k >/dev/null 2>&1 || true' EXIT

install_dir="Program Files/Tavren Vistrel"
mkdir -p "$WINEPREFIX/drive_c/$install_dir"
cp "$build_dir/tests/windows/vistrel_renderer_standin.exe" "$WINEPREFIX/drive_c/$install_dir/vistrel.exe"
key='HKLM\SOFTWARE\Tavren\Vistrel'
"$wine" reg add "$key" /v BinName /t REG_SZ /d "C:\\Program Files\\Tavren Vistrel\\vistrel.exe" /f >/dev/null
"$wine" reg add "$key" /v BinFolder /t REG_SZ /d "C:\\Program Files\\Tavren Vistrel" /f >/dev/null
