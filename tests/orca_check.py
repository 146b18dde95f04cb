#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Runs the program with the real Orca screen reader and checks what a blind
learner gets: Orca names every control that Tab reaches in the learner's
language, its flat review reaches the length box that Tab does not, the runs
end and the program answers the keyboard with Orca listening, and Orca never
reads the runs' output by itself at the fast pace; when the learner steps
through a decode, and at the slow pace, it says each codon and its amino acid
as they are shown.

During a fast run Orca stays quiet: it does not read the labels or codons as
they arrive (a listener cannot follow hundreds a second, and a queue of them
would still be speaking long after the run), and the learner reads the result
in the boxes afterwards, as any text.

Speech may come late on a busy machine: a check waits for what it expects to
hear, for as long as the machine needs, before it judges what was said.

How long the runs take with Orca and without, and how soon Orca is silent
after them, depend on the machine and how busy it is: they are printed, and
judged only with --bench, the benchmark's way of running this.

Speech goes to Speech Dispatcher with espeak-ng; what Orca says is read from
its debug log. Run inside a D-Bus session with an X display:
    dbus-run-session -- tests/with_xvfb.sh tests/orca_check.py build/.../quinmare [en|ja] [--bench]
"""
import os
import re
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time
import unicodedata

# How long a wait may take before it is a failure: Orca, a Python program,
# works through the runs' events behind the machine's other work, and on a
# machine busy with other work it was still catching up five minutes after
# the runs had ended.
TIMEOUT = 1200
LENGTH = 9999
# Orca is done when it has been silent this long.
QUIET = 1.0

JAPANESE = re.compile(r"[\u3040-\u30ff\u4e00-\u9fff]")
OUTPUT = re.compile(r"[A-Z][a-z]{2}__|stop|\b[ATGC]{3,}\b")
RUN = re.compile(r"(Command[12]_Click) ended after (\d+) ms")
# What a step at the slow pace says: a codon and its amino acid.
STEP = re.compile(r"\b[ATGC]{3} ([A-Z][a-z]{2}|stop)\b")


def wait_for(what, probe, timeout=TIMEOUT):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = probe()
        if value:
            return value
        time.sleep(0.1)
    sys.exit(f"timed out waiting for {what() if callable(what) else what}")


def key(*names, delay=60):
    subprocess.run(["xdotool", "key", "--delay", str(delay), *names], check=True)


class Program:
    """The program, started fresh, with its run times logged to a file."""

    def __init__(self, path, env, log):
        self.log = log
        with open(log, "w") as out:
            self.proc = subprocess.Popen([path], env=dict(env, QT_LOGGING_RULES="quinmare.runs.info=true"),
                                         stdout=out, stderr=subprocess.STDOUT)
        window = subprocess.run(["xdotool", "search", "--sync", "--name", "^Quinmare$"], check=True,
                                capture_output=True, text=True).stdout.split()[0]
        subprocess.run(["xdotool", "windowactivate", "--sync", window], check=False)
        subprocess.run(["xdotool", "windowfocus", "--sync", window], check=True)

    def runs(self):
        with open(self.log, errors="replace") as text:
            return [(name, int(ms)) for name, ms in RUN.findall(text.read())]

    def timed_runs(self, rounds):
        """Generates LENGTH bases and decodes them, by keys, so many times;
        the median time of each run in ms."""
        # Focus starts on the generate button: to the slider, to its end
        # and down to LENGTH, back to the button.
        key("Tab", "End", *["Left"] * (10000 - LENGTH), "shift+Tab", delay=10)
        for round in range(rounds):
            key("space")
            wait_for("the generate", lambda: len(self.runs()) >= 2 * round + 1)
            # Slider, Text0, Text2, Command2; and on round to Command1.
            key("Tab", "Tab", "Tab", "Tab", "space")
            wait_for("the decode", lambda: len(self.runs()) >= 2 * round + 2)
            if round + 1 < rounds:
                key("Tab")
        runs = self.runs()
        if [name for name, _ in runs] != ["Command1_Click", "Command2_Click"] * rounds:
            sys.exit(f"unexpected runs {runs}")
        return [statistics.median(ms for name, ms in runs if name == run)
                for run in ("Command1_Click", "Command2_Click")]

    def close(self):
        self.proc.send_signal(signal.SIGTERM)
        self.proc.wait(timeout=10)


class Orca:
    """The real Orca, as a learner runs it, speaking through Speech Dispatcher
    to a synthesiser that writes each utterance to a log as it starts and
    then takes as long as espeak-ng would to say it."""

    def __init__(self, env, spoken_log):
        self.spoken_log = spoken_log
        self.proc = subprocess.Popen(["orca", "--replace"], env=env, stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)
        wait_for("Orca to start speaking", lambda: self.spoken())

    def spoken(self, since=0.0):
        """What was said from the time since on, as (start, end, text)."""
        def lines(path):
            try:
                with open(path, errors="replace") as log:
                    return log.read().splitlines()
            except FileNotFoundError:
                return []

        # Utterances stopped before they were synthesised take no time.
        lengths = {}
        for line in lines(self.spoken_log):
            when, length, _ = line.split(" ", 2)
            lengths[when] = float(length)
        said = []
        for line in lines(self.spoken_log + ".begun"):
            when, text = line.split(" ", 1)
            if float(when) >= since:
                # Speech Dispatcher folds full-width forms (～ to ~).
                said.append((float(when), float(when) + lengths.get(when, 0.0), unicodedata.normalize("NFKC", text)))
        return said

    def speaking(self):
        """Whether the synthesiser is at an utterance (the module's command
        names the log)."""
        return subprocess.run(["pgrep", "-f", self.spoken_log], stdout=subprocess.DEVNULL).returncode == 0

    def settle(self, since):
        """Waits until Orca has been silent for QUIET seconds; when it stopped speaking."""
        while True:
            said = self.spoken(since)
            last = max([end for _, end, _ in said], default=since)
            if time.time() - last >= QUIET and not self.speaking():
                return last
            if time.time() - since > TIMEOUT:
                sys.exit("Orca never went quiet")
            time.sleep(0.2)

    def close(self):
        self.proc.terminate()
        try:
            self.proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()


def speech_dispatcher(env, home):
    """Starts Speech Dispatcher with a synthesiser that logs what it says."""
    spoken_log = os.path.join(home, "spoken.log")
    conf_dir = os.path.join(env["XDG_CONFIG_HOME"], "speech-dispatcher")
    os.makedirs(os.path.join(conf_dir, "modules"))
    # There is no sound card here: espeak-ng's output is only counted, and
    # the synthesiser sleeps for as long as it would have played (16-bit
    # mono at 22050 Hz), so that speech takes its real time, at 350 words
    # a minute, the brisk rate of a practised listener.
    # Each line of the log: when the utterance started, how long it takes,
    # and its text. The module puts the text in place of the first $DATA only.
    # Each utterance is also logged as it begins, before it is synthesised:
    # Orca may stop one before that is done (on a busy machine it takes
    # seconds), and what Orca said is what it began to say.
    synth = ("t='$DATA'; s=$(date +%s.%N); "
             f"echo \\\"$s $t\\\" >> {spoken_log}.begun; "
             "n=$(printf %s \\\"$t\\\" | espeak-ng -v $LANGUAGE -s $RATE --stdout | wc -c); "
             "d=$((n / 44100)).$(printf %02d $((n % 44100 * 100 / 44100))); "
             f"echo \\\"$s $d $t\\\" >> {spoken_log}; sleep $d")
    with open(os.path.join(conf_dir, "modules", "logged.conf"), "w") as conf:
        conf.write(f'GenericExecuteSynth "{synth}"\n'
                   'GenericCmdDependency "espeak-ng"\n'
                   'GenericRateAdd 350\nGenericRateMultiply 1\n'
                   'AddVoice "en" "MALE1" "en-us"\nAddVoice "ja" "MALE1" "ja"\n'
                   'GenericLanguage "en" "en-us" "utf-8"\nGenericLanguage "ja" "ja" "utf-8"\n')
    with open(os.path.join(conf_dir, "speechd.conf"), "w") as conf:
        # The module opens a sound device though it plays nothing itself:
        # ALSA's null device.
        conf.write('LogLevel 1\nAudioOutputMethod "alsa"\nAudioALSADevice "default"\n'
                   f'AddModule "logged" "sd_generic" "{os.path.join(conf_dir, "modules", "logged.conf")}"\n'
                   'DefaultModule logged\n')
    with open(os.path.join(home, ".asoundrc"), "w") as alsa:
        alsa.write("pcm.!default { type null }\n")
    subprocess.run(["speech-dispatcher", "--spawn", "--timeout", "0"], env=env, check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=30)
    return spoken_log


def main():
    program = sys.argv[1]
    language = sys.argv[2] if len(sys.argv) > 2 else "en"
    bench = "--bench" in sys.argv
    japanese = language == "ja"
    locale = "ja_JP.UTF-8" if japanese else "C.UTF-8"
    home = tempfile.mkdtemp(prefix="quinmare-orca-")
    runtime = os.path.join(home, "run")
    os.mkdir(runtime, 0o700)
    env = dict(os.environ, HOME=home, XDG_RUNTIME_DIR=runtime, XDG_CONFIG_HOME=os.path.join(home, "config"),
               XDG_DATA_HOME=os.path.join(home, "data"), QT_QPA_PLATFORM="xcb", LANG=locale, LC_ALL=locale,
               GTK_MODULES="", NO_AT_BRIDGE="0")
    env.pop("LANGUAGE", None)
    env.pop("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", None)
    spoken_log = speech_dispatcher(env, home)
    # One round is enough to hear that the runs are not read out.
    rounds = 5 if bench else 1
    orca = None
    try:
        without = None
        if bench:
            # Without a screen reader first, for the times to compare with.
            bare = Program(program, env, os.path.join(home, "bare.log"))
            without = bare.timed_runs(rounds)
            bare.close()

        orca = Orca(env, spoken_log)
        started = time.time()
        with_orca = Program(program, env, os.path.join(home, "orca-program.log"))
        wait_for("Orca to name the generate button", lambda: any("配列自動生成" in text for *_, text in orca.spoken(started)))
        orca.settle(started)

        # What Orca says as Tab goes round the window once, from the
        # generate button where the focus starts back to it. Every control
        # is named, and described in the learner's language; the captions
        # are the same in every language.
        slider = "塩基数" if japanese else "Number of bases"
        expected = {"Slider1": slider, "Text0": "解読対象塩基配列", "Text2": "アミノ酸配列",
                    "Command2": "解読かいしぃ～", "Command1": "配列自動生成"}

        def tab_names(control, name):
            before = time.time()
            key("Tab")
            name = unicodedata.normalize("NFKC", name)
            heard = lambda: " ".join(text for *_, text in orca.spoken(before))
            # However late Orca speaks; a name never said times out.
            wait_for(lambda: f"Orca to name {control} (it said {heard()!r})", lambda: name in heard())
            orca.settle(before)
            said = heard()
            described = said.replace(name, "")
            if name not in said or bool(JAPANESE.search(described)) != japanese:
                sys.exit(f"Tab to {control}: Orca said {said!r}")
            print(f"Tab to {control}: {said}")

        for control, name in expected.items():
            tab_names(control, name)

        # Flat review of the line the focus is on (the bottom line, at the
        # generate button) reaches the length box, which Tab does not: its
        # value, then its unit.
        before = time.time()
        key("KP_Up")
        wait_for("flat review to reach the length box",
                 lambda: re.search(r"(^|\s)0 桁", " | ".join(text for *_, text in orca.spoken(before))))
        orca.settle(before)
        said = " | ".join(text for *_, text in orca.spoken(before))
        if not re.search(r"(^|\s)0 桁", said):
            sys.exit(f"flat review of the bottom line said {said!r}")
        print(f"flat review: {said}")

        # The runs, by keys, with Orca listening: they end, Orca never reads
        # their output (labels, codons, bases) of itself, and afterwards the
        # program still answers the keyboard: Tab names the next control.
        before = time.time()
        with_times = with_orca.timed_runs(rounds)
        ended = time.time()
        lag = orca.settle(before) - ended
        said = orca.spoken(before)
        read = [text for *_, text in said if OUTPUT.search(text)]
        if read:
            sys.exit(f"Orca read the output during the runs: {read[:5]}")
        # The focus is on the decode button: Tab goes on to the generate button.
        # Orca speaks of a focus only when it moves from where Orca last put
        # it; on a busy machine Orca comes to the runs' Tabs after the focus
        # has moved on, skips them as stale, and still has it on the generate
        # button. Then the Tab after that, to the slider, is the one it names.
        named = [control for *_, text in said for control, name in expected.items()
                 if unicodedata.normalize("NFKC", name) in text]
        if named and named[-1] != "Command1":
            tab_names("Command1", expected["Command1"])
            to_slider = ["Tab"]
        else:
            key("Tab")
            tab_names("Slider1", expected["Slider1"])
            to_slider = []

        # At the slow pace (Ctrl+3), nine bases generated; then paused (F8),
        # the decode shows its first codon and waits, and each F9 shows the
        # next: Orca says each codon and its amino acid as it is shown.
        key("ctrl+3", *to_slider, "Home", *["Right"] * 9, "shift+Tab", "space")
        wait_for("the slow generate", lambda: len(with_orca.runs()) >= 2 * rounds + 1)
        before = time.time()
        key("F8", "Tab", "Tab", "Tab", "Tab", "space")
        steps_said = lambda: [STEP.search(text).group(0) for *_, text in orca.spoken(before) if STEP.search(text)]
        for count in range(1, 4):
            if count > 1:
                key("F9")
            wait_for(lambda: f"Orca to say step {count} (it said {steps_said()})", lambda: len(steps_said()) >= count)
            orca.settle(before)
        steps = steps_said()
        if len(steps) != 3:
            sys.exit(f"stepping through three codons, Orca said {steps}")
        key("F9")
        wait_for("the stepped decode to end", lambda: len(with_orca.runs()) >= 2 * rounds + 2)
        print(f"stepping, Orca said: {steps}")
        # The same decode again at the slow pace, resumed (F8): the steps come
        # two a second. A screen reader that falls behind drops a step that a
        # newer one has replaced before it was said (Orca keeps the latest
        # event of an object), so what it says is these steps in order, and
        # always the last.
        before = time.time()
        key("F8", "space")
        wait_for("the slow decode", lambda: len(with_orca.runs()) >= 2 * rounds + 3)
        wait_for(lambda: f"Orca to say the last step (it said {steps_said()})", lambda: steps[-1] in steps_said())
        orca.settle(before)
        slow = steps_said()
        remaining = iter(steps)
        if not slow or slow[-1] != steps[-1] or not all(step in remaining for step in slow):
            sys.exit(f"at the slow pace Orca said {slow}, not the steps {steps} in order")
        print(f"at the slow pace Orca said: {slow}")
        with_orca.close()
        print(f"with Orca: generate and decode of {LENGTH} bases took {with_times} ms (medians of {rounds}); "
              f"Orca silent {lag:.1f} s after the last run; {len(said)} things said during the runs")
        if bench:
            for name, bare_ms, orca_ms in zip(("generate", "decode"), without, with_times):
                print(f"{name}: {bare_ms:.0f} ms without Orca, {orca_ms:.0f} ms with it ({orca_ms / bare_ms:.2f}x)")
    finally:
        if orca:
            orca.close()
        try:
            with open(os.path.join(runtime, "speech-dispatcher", "pid", "speech-dispatcher.pid")) as pid:
                os.kill(int(pid.read()), signal.SIGTERM)
        except (OSError, ValueError):
            pass
        if os.environ.get("QUINMARE_KEEP_ORCA_HOME") is None:  # set to look at the logs
            shutil.rmtree(home, ignore_errors=True)
        else:
            print("kept", home)


if __name__ == "__main__":
    main()
