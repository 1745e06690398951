# The environment that scripts/run, scripts/test and scripts/wine-exec share:
# the packages the build needs, the Japanese locale, one Wine prefix under
# build/, and a virtual X display when there is no real one.
#
# Source it from bash; it defines functions and exports the Wine variables,
# and changes nothing on the machine until a function is called.

LORVANE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
LORVANE_BUILD_ROOT=${LORVANE_BUILD_ROOT:-$LORVANE_ROOT/build}

export WINEPREFIX=${LORVANE_WINEPREFIX:-$LORVANE_BUILD_ROOT/wineprefix}
export WINEARCH=win64
export WINEDEBUG=${LORVANE_WINEDEBUG:--all}
# robocopy.exe native first: Wine runs its own stub even where the system
# directory holds another robocopy.exe (the copy backup's journey puts a stand-in
# there). Wine's own file there is a placeholder, which falls back to the stub.
# A child process takes this from the Unix environment of the first Wine program,
# not from the Windows environment it is given.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;robocopy.exe=n,b"

# Wine takes its ANSI and OEM code pages from the Unix locale: ja_JP.UTF-8 gives 932.
# Only Wine gets it, so the compilers keep speaking English.
LORVANE_WINE_LOCALE=ja_JP.UTF-8
LORVANE_XVFB_DISPLAY=${LORVANE_XVFB_DISPLAY:-:97}
LORVANE_XVFB_SCREEN=${LORVANE_XVFB_SCREEN:-1280x1024x24}

# Installed without their recommendations; the X libraries that Wine loads at run
# time (and would otherwise only recommend) are named here.
LORVANE_PACKAGES=(
    cmake make g++ googletest libgtest-dev
    g++-mingw-w64-x86-64
    wine wine64 fonts-wine fonts-liberation
    libxrender1 libxrandr2 libxi6 libxcursor1 libxcomposite1 libxinerama1 libxfixes3 libxxf86vm1
    xvfb xdotool imagemagick
    fonts-ipafont locales
)

lorvane_log() { printf '[lorvane] %s\n' "$*" >&2; }
lorvane_die() { lorvane_log "error: $*"; exit 1; }

lorvane_as_root() {
    if [[ $(id -u) -eq 0 ]]; then
        "$@"
    elif command -v sudo >/dev/null 2>&1; then
        sudo "$@"
    else
        lorvane_die "need root to run: $*"
    fi
}

# Installs whichever of LORVANE_PACKAGES is missing; a machine that has them all
# asks nothing of apt.
lorvane_install_packages() {
    local missing=() p
    for p in "${LORVANE_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' || missing+=("$p")
    done
    if ((${#missing[@]} > 0)); then
        lorvane_log "installing: ${missing[*]}"
        lorvane_as_root env DEBIAN_FRONTEND=noninteractive apt-get update -q </dev/null
        lorvane_as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
            "${missing[@]}" </dev/null
    fi
    lorvane_ensure_locale
}

lorvane_ensure_locale() {
    locale -a 2>/dev/null | grep -qix 'ja_JP\.utf-\?8' && return 0
    lorvane_log "generating the ja_JP.UTF-8 locale"
    if grep -q '^# *ja_JP\.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
        lorvane_as_root sed -i 's/^# *\(ja_JP\.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    else
        echo 'ja_JP.UTF-8 UTF-8' | lorvane_as_root tee -a /etc/locale.gen >/dev/null
    fi
    lorvane_as_root locale-gen >/dev/null
}

lorvane_wine() { LANG=$LORVANE_WINE_LOCALE LC_ALL=$LORVANE_WINE_LOCALE wine "$@"; }

# Takes this prefix for the rest of the calling script. A Wine session belongs to
# one X display, so whoever starts a display for the prefix (scripts/run,
# scripts/test, wine-exec without a display) holds this lock until it has ended
# the session; others wait.
lorvane_lock_prefix() {
    mkdir -p "$(dirname "$WINEPREFIX")"
    exec {LORVANE_PREFIX_LOCK}>"$WINEPREFIX.display.lock"
    if ! flock -n "$LORVANE_PREFIX_LOCK"; then
        lorvane_log "waiting for another user of $WINEPREFIX"
        flock "$LORVANE_PREFIX_LOCK"
    fi
}

# Runs a command without the prefix lock's descriptor: Xvfb and the Wine server
# outlive the commands that start them and must not keep the lock.
lorvane_without_lock() {
    if [[ -n ${LORVANE_PREFIX_LOCK-} ]]; then "$@" {LORVANE_PREFIX_LOCK}>&-; else "$@"; fi
}

# Starts Xvfb when there is no display (or when $1 is "force"), trying :97 and the
# next numbers until one is free, and exports DISPLAY. lorvane_stop_xvfb ends it.
LORVANE_XVFB_PID=
lorvane_start_xvfb() {
    if [[ -n ${DISPLAY-} && ${1-} != force ]]; then
        return 0
    fi
    local n=${LORVANE_XVFB_DISPLAY#:} ready tries i
    ready=$(mktemp)
    for ((tries = 0; tries < 20; tries++, n++)); do
        # The background job must be Xvfb itself, so that its process id is Xvfb's.
        (
            [[ -z ${LORVANE_PREFIX_LOCK-} ]] || exec {LORVANE_PREFIX_LOCK}>&-
            exec Xvfb ":$n" -screen 0 "$LORVANE_XVFB_SCREEN" -nolisten tcp -displayfd 3 \
                3>"$ready" </dev/null >/dev/null 2>&1
        ) &
        LORVANE_XVFB_PID=$!
        for ((i = 0; i < 100; i++)); do
            [[ -s $ready ]] && break
            kill -0 "$LORVANE_XVFB_PID" 2>/dev/null || break
            sleep 0.1
        done
        if [[ -s $ready ]]; then
            rm -f "$ready"
            export DISPLAY=":$n"
            lorvane_log "Xvfb on $DISPLAY"
            return 0
        fi
        kill "$LORVANE_XVFB_PID" 2>/dev/null
        wait "$LORVANE_XVFB_PID" 2>/dev/null
        LORVANE_XVFB_PID=
    done
    rm -f "$ready"
    lorvane_die "could not start Xvfb"
}

# Ends this prefix's Wine processes first: they hold connections to the display.
lorvane_stop_xvfb() {
    [[ -n $LORVANE_XVFB_PID ]] || return 0
    lorvane_end_wine_session
    kill "$LORVANE_XVFB_PID" 2>/dev/null
    wait "$LORVANE_XVFB_PID" 2>/dev/null
    LORVANE_XVFB_PID=
    unset DISPLAY
}

# Font names that Japanese Windows programs ask for, and the IPA font that stands in.
LORVANE_FONT_REPLACEMENTS=(
    'ＭＳ Ｐゴシック=IPAPGothic'
    'MS PGothic=IPAPGothic'
    'MS UI Gothic=IPAPGothic'
    'MS Shell Dlg=IPAPGothic'
    'MS Shell Dlg 2=IPAPGothic'
    'ＭＳ ゴシック=IPAGothic'
    'MS Gothic=IPAGothic'
    'ＭＳ 明朝=IPAMincho'
    'MS Mincho=IPAMincho'
)

# The prefix's own settings, as a .reg file (UTF-16 with a byte order mark): the
# font replacements, and one virtual desktop the size of the screen, so that Wine
# itself manages activation and window frames (there is no window manager on Xvfb,
# and without one Wine waits two seconds each time it hides a window), and the
# resolution: 96 dots per inch, or $LORVANE_DPI (144 for 150 %, 192 for 200 %),
# which the programs see once the prefix's session has started again.
lorvane_prefix_settings_reg() {
    local entry
    printf '\xff\xfe'
    {
        printf 'Windows Registry Editor Version 5.00\r\n\r\n'
        printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
        for entry in "${LORVANE_FONT_REPLACEMENTS[@]}"; do
            printf '"%s"="%s"\r\n' "${entry%%=*}" "${entry#*=}"
        done
        printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]\r\n"Desktop"="Default"\r\n'
        printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]\r\n"Default"="%s"\r\n\r\n' \
            "$(echo "$LORVANE_XVFB_SCREEN" | cut -dx -f1-2)"
        printf '[HKEY_CURRENT_USER\\Control Panel\\Desktop]\r\n"LogPixels"=dword:%08x\r\n\r\n' "${LORVANE_DPI:-96}"
        printf '[HKEY_CURRENT_CONFIG\\Software\\Fonts]\r\n"LogPixels"=dword:%08x\r\n\r\n' "${LORVANE_DPI:-96}"
    } | iconv -f UTF-8 -t UTF-16LE
}

# Wine's own font files that it does not find by itself in Debian's packaging:
# without Marlett, window captions show "0 1 r" in place of their buttons.
LORVANE_WINE_FONT_FILES=(marlett.ttf)
lorvane_install_wine_fonts() {
    local font dir
    for font in "${LORVANE_WINE_FONT_FILES[@]}"; do
        for dir in /usr/share/wine/fonts /usr/local/share/wine/fonts /opt/wine/share/wine/fonts; do
            if [[ -f $dir/$font ]]; then
                cp "$dir/$font" "$WINEPREFIX/drive_c/windows/Fonts/"
                break
            fi
        done
    done
}

# Creates the prefix once (wineboot, then the settings above) and applies the
# settings again when they change; otherwise it only reads the marker file. Needs
# a display. Parallel callers wait on a lock, which the Wine programs started here
# must not inherit (the server would keep it).
lorvane_prepare_prefix() {
    local marker=$WINEPREFIX/.lorvane-prefix-ready settings
    settings=$({ lorvane_prefix_settings_reg; echo "${LORVANE_WINE_FONT_FILES[*]}"; } | md5sum | cut -d' ' -f1)
    [[ -f $marker && $(<"$marker") == "$settings" ]] && return 0
    mkdir -p "$(dirname "$WINEPREFIX")"
    local lock
    exec {lock}>"$WINEPREFIX.lock"
    flock "$lock"
    if ! [[ -f $marker && $(<"$marker") == "$settings" ]]; then
        local started=$SECONDS reg
        if [[ ! -f $marker ]]; then
            lorvane_log "creating the Wine prefix $WINEPREFIX"
            lorvane_without_lock lorvane_wine wineboot -i </dev/null >/dev/null 2>&1 {lock}>&- ||
                lorvane_die "wineboot failed"
        fi
        reg=$(mktemp --suffix=.reg)
        lorvane_prefix_settings_reg >"$reg"
        lorvane_without_lock lorvane_wine regedit /S "$(lorvane_wine winepath -w "$reg" 2>/dev/null {lock}>&-)" \
            </dev/null >/dev/null 2>&1 {lock}>&- ||
            lorvane_die "could not write the prefix settings"
        rm -f "$reg"
        lorvane_install_wine_fonts
        wineserver -w {lock}>&-
        echo "$settings" >"$marker"
        lorvane_log "Wine prefix ready in $((SECONDS - started)) s"
    fi
    flock -u "$lock"
    exec {lock}>&-
}

# Starts this prefix's Wine session (server and services) unless one is running,
# detached from our output, and keeps it for $1 seconds (default 10) after its
# last program ends. Programs run by ctest then start in a tenth of a second, and
# the session's services do not hold ctest's output pipe open until they end.
lorvane_start_wine_session() {
    local lock
    mkdir -p "$(dirname "$WINEPREFIX")"
    exec {lock}>"$WINEPREFIX.session.lock"
    flock "$lock"
    if lorvane_without_lock wineserver -p"${1:-10}" </dev/null >/dev/null 2>&1 {lock}>&-; then
        lorvane_without_lock lorvane_wine wineboot </dev/null >/dev/null 2>&1 {lock}>&-
    fi
    flock -u "$lock"
    exec {lock}>&-
}

# Ends every program of this prefix and waits until the server is gone.
lorvane_end_wine_session() {
    wineserver -k 2>/dev/null
    wineserver -w 2>/dev/null
    return 0
}
