#!/bin/sh
# tools/wine-prefix.sh DIR -- makes a configured Wine prefix in DIR, as the test
# template is made (tools/wine-env.sh: qlx_wine_make_prefix).
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/wine-env.sh"
qlx_wine_make_prefix "${1:?usage: tools/wine-prefix.sh DIR}"
