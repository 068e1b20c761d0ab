#!/bin/sh
# A tree whose members all hold the output pipe open: the script itself, a background child,
# one in its own session, an orphan re-parented at once, and a child with its own child.
# Writes the script's pid and then each descendant's pid to $1 (6 lines), then prints
# "tree ready" and waits.
out=$1
part=$out.part
echo $$ > "$part"
sleep 300 &
echo $! >> "$part"
setsid sleep 300 &
echo $! >> "$part"
(sleep 300 & echo $! >> "$part")
sh -c 'sleep 300 & echo $! >> "$1"; wait' sh "$part" &
echo $! >> "$part"
while [ "$(wc -l < "$part")" -lt 6 ]; do sleep 0.05; done
mv "$part" "$out"
echo "tree ready"
wait
