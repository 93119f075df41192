#!/bin/sh
# tools/run.sh -- the README's run command. The first runnable program, the qlx
# command-line tool, has not landed yet; until it does this says so.
echo "Quillnox: no runnable program yet; the command-line tool qlx comes with the"
echo "encryption and decryption operations. Run the tests with: sh tools/test-all.sh"
