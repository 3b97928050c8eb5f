#!/usr/bin/python3
"""Two headless Chromium browsers talk in the chat room of a real `vireo serve`.

Usage: /usr/bin/python3 chat_scenario.py PATH_TO_VIREO

Both browsers join, see themselves in the member list, talk to everybody, one renames itself, the
other talks to it in private, and a message carrying markup and a link with a double quote must
show as text and a plain link in both browsers without running anything. One browser leaves and
the other's list loses it. Then the server is stopped with SIGTERM and must end the room before
itself, and exit 0.

Runs with Debian's /usr/bin/python3: Selenium is Debian's python3-selenium, the driver is
chromium-driver (scripts/bootstrap installs both). Everything runs on loopback under a private
temporary HOME, which is removed at the end whatever happened.

VIREO_SCREENSHOT=FILE also saves a picture of the room (1200 x 800) after a short conversation.
"""
import ctypes
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time

# Generous on purpose: a busy machine running other tests beside two browsers is slow, and a
# correct room answers in milliseconds, so only a broken one ever waits this long.
WAIT_SECONDS = 45
SERVER_STOP_SECONDS = 30
# Ends the run (with clean-up) before CTest's own time-out would kill it without any.
OVERALL_SECONDS = 170
CHROMEDRIVER = "/usr/bin/chromedriver"


class Failure(Exception):
    pass


try:
    from selenium import webdriver
    from selenium.common.exceptions import WebDriverException
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.action_chains import ActionChains
    from selenium.webdriver.common.by import By
    from selenium.webdriver.common.keys import Keys
except ImportError as error:
    print(f"FAIL: Selenium cannot be imported ({error}); install python3-selenium, chromium and "
          "chromium-driver (scripts/bootstrap) and run this with /usr/bin/python3", file=sys.stderr)
    sys.exit(1)


def free_port():
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def private_environment(home):
    """The environment with HOME at `home` and no XDG folder pointing anywhere else."""
    env = {k: v for k, v in os.environ.items() if not k.startswith("XDG_")}
    env["HOME"] = home
    env["TMPDIR"] = os.path.join(home, "tmp")
    os.makedirs(env["TMPDIR"], exist_ok=True)
    return env


def end_with_parent():
    """Makes the child get SIGTERM should this script be killed before its clean-up runs."""
    libc = ctypes.CDLL(None, use_errno=True)
    libc.prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG


class Server:
    """`vireo serve` with its console lines collected as they come."""

    def __init__(self, vireo, env):
        self.lines = []
        self.changed = threading.Condition()
        self.process = subprocess.Popen([vireo, "serve"], env=env, stdin=subprocess.DEVNULL,
                                        stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                                        preexec_fn=end_with_parent)
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()

    def _read(self):
        for line in self.process.stdout:
            with self.changed:
                self.lines.append(line.rstrip("\n"))
                self.changed.notify_all()
        with self.changed:
            self.changed.notify_all()

    def wait_for_line(self, test, what):
        deadline = time.monotonic() + WAIT_SECONDS
        with self.changed:
            while True:
                for line in self.lines:
                    if test(line):
                        return line
                if self.process.poll() is not None and not self.reader.is_alive():
                    raise Failure(f"the server ended (exit {self.process.returncode}) before it printed {what}")
                left = deadline - time.monotonic()
                if left <= 0:
                    raise Failure(f"the server did not print {what} within {WAIT_SECONDS} s")
                self.changed.wait(min(left, 1.0))

    def stop(self):
        self.process.send_signal(signal.SIGTERM)
        try:
            code = self.process.wait(SERVER_STOP_SECONDS)
        except subprocess.TimeoutExpired:
            raise Failure(f"the server did not end within {SERVER_STOP_SECONDS} s of SIGTERM")
        self.reader.join(5)
        return code

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()

    def output(self):
        with self.changed:
            return "\n".join(self.lines)


def wait_until(what, probe, seconds=WAIT_SECONDS):
    """Polls `probe` until it returns something true; a probe that raises has not succeeded yet
    (frames reload while the room talks). Fails with `what` and the last value seen."""
    deadline = time.monotonic() + seconds
    last = None
    while True:
        try:
            last = probe()
            if last:
                return last
        except WebDriverException as error:
            last = f"{type(error).__name__}: {error.msg}"
        if time.monotonic() >= deadline:
            raise Failure(f"{what}: not seen within {seconds} s (last seen: {last!r})")
        time.sleep(0.2)


class Member:
    """One browser in the room."""

    def __init__(self, label, env, profile):
        self.label = label
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        for argument in ("--headless=new", "--no-sandbox", "--disable-gpu", "--window-size=1200,800",
                         f"--user-data-dir={profile}", "--no-first-run", "--disable-extensions"):
            options.add_argument(argument)
        # The output frame is one answer that never ends: waiting for the page to load would wait forever.
        options.page_load_strategy = "none"
        service = Service(executable_path=CHROMEDRIVER, env=env)
        try:
            self.driver = webdriver.Chrome(service=service, options=options)
        except WebDriverException as error:
            raise Failure(f"Chromium could not be started through {CHROMEDRIVER} ({error.msg}); "
                          "are chromium and chromium-driver installed (scripts/bootstrap)?")
        self.name = None

    def quit(self):
        try:
            self.driver.quit()
        except Exception:
            pass

    def frame(self, name):
        self.driver.switch_to.default_content()
        self.driver.switch_to.frame(name)

    def join(self, url):
        self.driver.get(url)

        def member_name():
            self.driver.switch_to.default_content()
            source = self.driver.execute_script(
                "var f = document.querySelector('frame[name=output]'); return f && f.getAttribute('src');")
            if not source or "id=" not in source:
                return None
            return "Guest" + source.split("id=", 1)[1]

        self.name = wait_until(f"{self.label}: the frameset with an output frame", member_name)

    def list_names(self):
        self.frame("list")
        return self.driver.execute_script(
            "return Array.prototype.map.call(document.getElementsByTagName('td'),"
            " function (cell) { return cell.innerText.trim(); });")

    def messages(self):
        """[speaker, text] of every message in the output frame, the speaker without its colon."""
        self.frame("output")
        return self.driver.execute_script(
            "var found = [];"
            "var all = document.querySelectorAll('p[id^=t]');"
            "for (var i = 0; i < all.length; i++) {"
            "  var b = all[i].querySelector('b');"
            "  var speaker = b ? b.textContent : '';"
            "  var text = all[i].textContent.substring(speaker.length);"
            "  found.push([speaker.replace(/:\\s*$/, ''), text]);"
            "}"
            "return found;")

    def say(self, text):
        self.frame("input")
        box = wait_until(f"{self.label}: the edit box", lambda: self.driver.find_element(By.ID, "editbox"))
        box.send_keys(text)
        box.send_keys(Keys.ENTER)
        # The page posted the text and emptied the box; the post's answer (204) leaves the page as it is.
        wait_until(f"{self.label}: the edit box emptied after Enter",
                   lambda: self.driver.find_element(By.ID, "editbox").get_attribute("value") == "")

    def wait_for_message(self, speaker, text):
        def seen():
            for said_by, said in self.messages():
                if said_by == speaker and text in said:
                    return True
            return False

        wait_until(f"{self.label}: message from {speaker!r} with {text!r} in the output frame", seen)


def check_no_script_ran(member):
    member.frame("output")
    for scope in ("window", "parent"):
        value = member.driver.execute_script(f"return typeof {scope}.pwned;")
        if value != "undefined":
            raise Failure(f"{member.label}: {scope}.pwned is {value}: text from a member ran as script")


def check_link(member, link_text, href):
    member.frame("output")
    anchor = wait_until(f"{member.label}: the link {link_text!r} as an anchor", lambda: member.driver.execute_script(
        "var all = document.querySelectorAll('p[id^=t] a');"
        "for (var i = 0; i < all.length; i++) {"
        "  if (all[i].textContent == arguments[0]) {"
        "    var names = [];"
        "    for (var j = 0; j < all[i].attributes.length; j++) names.push(all[i].attributes[j].name);"
        "    return {href: all[i].getAttribute('href'), names: names};"
        "  }"
        "}"
        "return null;", link_text))
    if anchor["href"] != href:
        raise Failure(f"{member.label}: the link's href is {anchor['href']!r}, not {href!r}")
    if sorted(anchor["names"]) != ["href", "target"]:
        raise Failure(f"{member.label}: the link has the attributes {anchor['names']}; only href and target belong there")
    # Moving the pointer over the link would run an injected handler.
    element = member.driver.execute_script(
        "var all = document.querySelectorAll('p[id^=t] a');"
        "for (var i = 0; i < all.length; i++) if (all[i].textContent == arguments[0]) return all[i];"
        "return null;", link_text)
    ActionChains(member.driver).move_to_element(element).perform()


def scenario(vireo, home):
    env = private_environment(home)
    port = free_port()
    for name, value in (("listen_ip", "127.0.0.1"), ("listen_port", str(port)), ("AutoStartChatRoom", "1")):
        result = subprocess.run([vireo, "config", "set", name, value], env=env, capture_output=True, text=True)
        if result.returncode != 0:
            raise Failure(f"vireo config set {name} {value}: exit {result.returncode}: {result.stdout}{result.stderr}")

    server = Server(vireo, env)
    members = []
    try:
        server.wait_for_line(lambda line: line.startswith("Listening on ") and f":{port} at " in line,
                             f'"Listening on ...:{port} at URL"')
        server.wait_for_line(lambda line: line == "Chat room started.", '"Chat room started."')
        url = f"http://127.0.0.1:{port}/Webchat/"

        a = Member("browser A", env, os.path.join(home, "profile-a"))
        members.append(a)
        b = Member("browser B", env, os.path.join(home, "profile-b"))
        members.append(b)

        a.join(url)
        wait_until("browser A: itself in its member list", lambda: a.name in a.list_names())
        b.join(url)
        if a.name == b.name:
            raise Failure(f"both browsers were given the same member name {a.name}")
        wait_until("browser B: itself in its member list", lambda: b.name in b.list_names())
        wait_until("browser A: browser B in its member list", lambda: b.name in a.list_names())

        hello = "Hello everybody, the notes are at http://example.invalid/notes.html"
        a.say(hello)
        for member in (a, b):
            member.wait_for_message(a.name, hello)
            check_link(member, "http://example.invalid/notes.html", "http://example.invalid/notes.html")

        guest_a = a.name
        a.say("!name=Alice")
        a.name = "Alice"
        wait_until("browser B: Alice in its member list", lambda: "Alice" in b.list_names() and guest_a not in b.list_names())
        wait_until("browser A: Alice in its member list", lambda: "Alice" in a.list_names())
        for member in (a, b):
            member.wait_for_message("Vireo", "has changed his/her name as Alice")

        def pick_alice():
            # Found and clicked in one go: a list that reloads in between is simply tried again.
            b.frame("list")
            for cell in b.driver.find_elements(By.TAG_NAME, "td"):
                if cell.text.strip() == "Alice":
                    cell.click()
                    b.frame("input")
                    return b.driver.execute_script("return document.fm.to.value;") == "Alice"
            return False

        wait_until('browser B: Alice clicked in the list and the form field "to" set to Alice', pick_alice)
        secret = "Only for you, Alice"
        b.say(secret)
        for member in (a, b):
            member.wait_for_message(f"{b.name} (Private to Alice)", secret)

        if os.environ.get("VIREO_SCREENSHOT"):
            b.say("Thanks!")  # still private: a short last line, so the picture shows where the talk is
            for member in (a, b):
                member.wait_for_message(f"{b.name} (Private to Alice)", "Thanks!")
            # The window's size counts the browser's own bars, which headless Chromium keeps too.
            b.driver.switch_to.default_content()
            bars = b.driver.execute_script("return window.outerHeight - window.innerHeight;")
            b.driver.set_window_size(1200, 800 + bars)
            wait_until("browser B: a page of 1200 x 800", lambda: b.driver.execute_script(
                "return window.innerWidth == 1200 && window.innerHeight == 800;"))
            if not b.driver.save_screenshot(os.environ["VIREO_SCREENSHOT"]):
                raise Failure("the screenshot could not be saved")

        markup = "<script>window.pwned=1</script>"
        trap = 'http://example.invalid/a"onmouseover="window.pwned=2'
        a.say(f"{markup} and {trap} too")
        for member in (a, b):
            member.wait_for_message("Alice", f"{markup} and {trap} too")
            # The double quote would end the attribute: it must stay in the address, as %22.
            check_link(member, trap, trap.replace('"', "%22"))
        # A script in a chunk runs as the chunk is parsed, before the message is seen above; and the
        # pointer has been over the link.
        for member in (a, b):
            check_no_script_ran(member)

        # Leaving the page is leaving the room: the others' lists lose the name.
        b.driver.get("about:blank")
        wait_until("browser A: browser B gone from its member list after B left",
                   lambda: b.name not in a.list_names() and "Alice" in a.list_names())

        code = server.stop()
        output = server.output()
        if "Chat room stopped." not in output:
            raise Failure('the server did not print "Chat room stopped."')
        if "Server stopped." not in output:
            raise Failure('the server did not print "Server stopped."')
        if output.index("Chat room stopped.") > output.index("Server stopped."):
            raise Failure('the server printed "Server stopped." before "Chat room stopped."')
        if code != 0:
            raise Failure(f"the server exited {code} after SIGTERM")
    except Exception:
        print("--- server console ---\n" + server.output(), file=sys.stderr)
        raise
    finally:
        for member in members:
            member.quit()
        if server.process.poll() is None:
            try:
                server.stop()
            except Failure:
                server.kill()


def main():
    if len(sys.argv) != 2:
        print(__doc__.strip().splitlines()[2], file=sys.stderr)
        return 2
    vireo = os.path.abspath(sys.argv[1])
    if not os.access(vireo, os.X_OK):
        print(f"FAIL: {vireo} is not an executable", file=sys.stderr)
        return 1

    def out_of_time(signum, frame):
        raise Failure(f"the scenario took longer than {OVERALL_SECONDS} s")

    def stopped(signum, frame):
        raise Failure(f"stopped by signal {signum}")

    signal.signal(signal.SIGALRM, out_of_time)
    signal.signal(signal.SIGTERM, stopped)
    signal.alarm(OVERALL_SECONDS)
    home = tempfile.mkdtemp(prefix="vireo-chat-browser-")
    try:
        scenario(vireo, home)
    except Failure as failure:
        print(f"FAIL: {failure}", file=sys.stderr)
        return 1
    except WebDriverException as error:
        print(f"FAIL: the browser said: {error.msg}", file=sys.stderr)
        return 1
    finally:
        signal.alarm(0)
        shutil.rmtree(home, ignore_errors=True)
    print("chat room: two browsers joined, talked, renamed, whispered, left, and no member's text ran as script")
    return 0


if __name__ == "__main__":
    sys.exit(main())
