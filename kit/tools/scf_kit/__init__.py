"""The demo build kit of the SCF Launcher: checks a Scrapfury disc image and builds a stand-in game.

The real kit recompiles the game's code from the disc; this demo reads and checks the disc for
real, then installs a small stand-in program in its place, so the launcher's whole road can run.
"""

KIT_VERSION = "0.8.0"
STAGES = ("verify", "extract", "configure", "tools", "recompile", "packs", "compile", "stage")
