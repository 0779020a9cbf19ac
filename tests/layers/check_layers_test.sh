#!/usr/bin/env bash
# The layer check passes on the checkout and fails on a copy of a few of its
# folders with one wrong include planted in each way it can be wrong.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
check="$root/scripts/check-layers.py"
python3 "$check" "$root"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
plant() {  # folder, file, line, the report's start: a tree whose only fault is that line
  rm -rf "$scratch/tree"
  mkdir -p "$scratch/tree/$1"
  for header in model/Model.h ui/qt/Binder.h platform/gfx/Bitmap.h platform/qt/QtGfx.h options/Options.h \
    readers/ObjReader.h writers/Export.h imageformats/ImageFormats.h; do
    mkdir -p "$scratch/tree/$(dirname "$header")"
    echo '#pragma once' >"$scratch/tree/$header"
  done
  printf '#include <string>\n%s\n' "$3" >"$scratch/tree/$1/$2"
  if out=$(python3 "$check" "$scratch/tree"); then
    echo "not caught: $1/$2: $3"; exit 1
  fi
  grep -q "^$4" <<<"$out" || { echo "wrong report: $out"; exit 1; }
}
# The core reaching up to the windows; each part of the ground floor
# reaching up to the model, the ground floor to its graphics layer and that
# layer to its Qt side; Qt in folders built without it; a folder the layers
# do not know.
plant model Mesh.cpp '#include "ui/qt/Binder.h"' 'model/Mesh.cpp:2: model/ may not include'
plant platform Memory.cpp '#include "model/Model.h"' 'platform/Memory.cpp:2: platform/ may not include'
plant platform/gfx Canvas.cpp '#include "model/Model.h"' 'platform/gfx/Canvas.cpp:2: platform/gfx/ may not include'
plant platform/qt QtLoader.cpp '#include "model/Model.h"' 'platform/qt/QtLoader.cpp:2: platform/qt/ may not include'
plant platform Version.cpp '#include "platform/gfx/Bitmap.h"' 'platform/Version.cpp:2: platform/ may not include'
plant platform/gfx Stream.cpp '#include "platform/qt/QtGfx.h"' 'platform/gfx/Stream.cpp:2: platform/gfx/ may not include'
plant platform TempFiles.cpp '#include <QString>' 'platform/TempFiles.cpp:2: platform/ builds without Qt'
plant platform/gfx Palette.cpp '#include <QImage>' 'platform/gfx/Palette.cpp:2: platform/gfx/ builds without Qt'
plant imageformats Tga.cpp '#include <QImage>' 'imageformats/Tga.cpp:2: imageformats/ builds without Qt'
plant ui/control Ctl.cpp '#include <QtWidgets/QWidget>' 'ui/control/Ctl.cpp:2: ui/control/ builds without Qt'
plant extras Thing.cpp '#include "model/Model.h"' 'extras/: a source folder the layers do not list'
# The ground floor and its graphics layer reach none of the layers above
# them, the options stand on the ground floor alone, the image library
# knows no model, and the readers and writers stand beside each other.
forbid() {  # folder, then the headers it may not include
  for header in "${@:2}"; do plant "$1" Planted.cpp "#include \"$header\"" "$1/Planted.cpp:2: $1/ may not include"; done
}
forbid platform options/Options.h readers/ObjReader.h writers/Export.h imageformats/ImageFormats.h
forbid platform/gfx imageformats/ImageFormats.h options/Options.h readers/ObjReader.h
forbid options model/Model.h platform/gfx/Bitmap.h
forbid imageformats model/Model.h options/Options.h platform/qt/QtGfx.h
forbid readers writers/Export.h imageformats/ImageFormats.h
forbid writers readers/ObjReader.h
echo "layer check ok"
