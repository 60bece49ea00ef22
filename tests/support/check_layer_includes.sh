#!/bin/sh
# Core and the command line never include the widget, chart or print-support modules, and the
# engine includes no Qt at all. The linker alone does not keep them out: a qualified include such
# as <QtWidgets/QMessageBox> compiles in any file, since every Qt module shares one include root.
# Arguments: the source folder, then each widget-side module's include folder (QtWidgets, ...).
set -eu
src=$1
shift
headers=$(mktemp)
trap 'rm -f "$headers"' EXIT
for dir in "$@"; do
    ls "$dir" >>"$headers"
done
status=0
for file in $(find "$src" -name '*.cpp' -o -name '*.h' | sort); do
    case "$file" in
    */views/* | "$src"/main.cpp) continue ;;
    esac
    includes=$(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*<\([^>]*\)>.*/\1/p' "$file")
    for inc in $includes; do
        module=${inc%%/*}
        name=${inc##*/}
        case "$file" in
        "$src"/optimizer/engine/*)
            case "$inc" in Q*)
                echo "$file: the engine includes Qt: <$inc>"
                status=1
                ;;
            esac
            continue
            ;;
        esac
        case "$module" in QtWidgets | QtCharts | QtPrintSupport | QtOpenGLWidgets)
            echo "$file: a widget-side module in core: <$inc>"
            status=1
            continue
            ;;
        esac
        # Lower-case names (qaction.h) are shared with QtGui; the class headers are not.
        case "$name" in [!Q]*) continue ;; esac
        if [ "$module" = "$inc" ] && grep -qx "$name" "$headers"; then
            echo "$file: a widget-side header in core: <$inc>"
            status=1
        fi
    done
done
exit $status
