"""The bundled emulator as a process on a free port, for the tests that talk to it."""

import subprocess
import sys


class EmulatorProcess:
    """Starts `emulator` with `arguments` and learns its base URL from its first line."""

    def __init__(self, emulator, *arguments):
        self.process = subprocess.Popen([sys.executable, emulator, "--port", "0", *arguments],
                                        stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        line = self.process.stdout.readline()
        if "listening on" not in line:
            self.stop()
            raise RuntimeError("emulator did not start: " + line)
        self.url = line.split()[-1]

    def stop(self):
        self.process.terminate()
        self.process.wait(timeout=10)
        self.process.stdout.close()
