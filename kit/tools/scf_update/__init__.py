"""The release's update installer: checks a downloaded release archive, unpacks it and installs it
over the release folder, putting the old release back whole when anything goes wrong.
"""


class UpdateError(Exception):
    """A refusal or a failure; its text is the one sentence of the installer's error line."""


# The archive holds one folder, RELEASE_PREFIX + version, with the release's files in it.
RELEASE_PREFIX = "ZER_Avudud-"
# Folders of a release folder that hold what the user and the launcher made: never replaced.
KEPT_FOLDERS = ("build", "game", "user", "update")
# Old files moved aside carry this in their names; the launcher deletes the listed ones.
OLD_MARKER = ".scf-old"
OLD_FILES_LIST = "old_files.txt"
# The update folder's own files: the journal of an install under way (its name is known to the
# launcher, which runs the recovery when it finds one), the lock of the one update at work, the
# unpacked release, and the copy of this installer that a recovery runs from.
JOURNAL = "journal.json"
LOCK = "launcher-update.lock"
STAGING = "staging"
INSTALLER_COPY = "installer"
# Written last into the installer copy: a copy without it is incomplete.
COPY_COMPLETE = "complete"
