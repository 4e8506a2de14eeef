#!/usr/bin/env python3
"""Roundcube from Debian as a real web-mail client for the page inspector's end-to-end test.

Usage: webmail.py MAIL_DIR [LANGUAGE] INFO_FILE. Delivers the messages of MAIL_DIR (*.eml) into a Maildir,
serves it with Dovecot's IMAP server and runs Roundcube (/usr/share/roundcube, SQLite database)
in PHP's built-in web server, all on 127.0.0.1 at free ports, from a temporary folder of its own,
with its interface in LANGUAGE (a Roundcube locale such as de_DE; en_US when not given).
Writes INFO_FILE as JSON once both answer: {"url", "user", "password"}, or {"skip": reason} when
a part is not installed, or {"error": text}. Runs until its standard input closes, then stops
both servers and removes the folder.
"""
import glob
import json
import os
import pwd
import grp
import shutil
import socket
import subprocess
import sys
import tempfile
import time
import urllib.request

ROUNDCUBE = "/var/lib/roundcube"
USER, PASSWORD = "alice", "hookwise-test"


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def write_info(path, info):
    with open(path + ".new", "w") as out:
        json.dump(info, out)
    os.replace(path + ".new", path)


def wait_until(check, seconds):
    deadline = time.time() + seconds
    while time.time() < deadline:
        try:
            if check():
                return True
        except OSError:
            pass
        time.sleep(0.2)
    return False


def imap_ready(port):
    with socket.create_connection(("127.0.0.1", port), timeout=2) as imap:
        return imap.recv(200).startswith(b"* OK")


def web_ready(url):
    with urllib.request.urlopen(url, timeout=5) as answer:
        return answer.status == 200


def start(work, mail_dir, language):
    """Starts Dovecot and Roundcube; returns (processes, info)."""
    home = os.path.join(work, "home", USER)
    maildir = os.path.join(home, "Maildir")
    for sub in ("cur", "new", "tmp"):
        os.makedirs(os.path.join(maildir, sub))
    for number, message in enumerate(sorted(glob.glob(os.path.join(mail_dir, "*.eml")))):
        shutil.copy(message, os.path.join(maildir, "new", "%d.%d.hookwise" % (1700000000 + number, number)))
    # Dovecot refuses to serve mail as root: then the mail belongs to nobody.
    if os.getuid() == 0:
        uid, gid = pwd.getpwnam("nobody").pw_uid, grp.getgrnam("nogroup").gr_gid
        for folder, _, files in os.walk(os.path.join(work, "home")):
            os.chown(folder, uid, gid)
            for name in files:
                os.chown(os.path.join(folder, name), uid, gid)
    else:
        uid, gid = os.getuid(), os.getgid()
    with open(os.path.join(work, "passwd"), "w") as out:
        out.write("%s:{PLAIN}%s\n" % (USER, PASSWORD))

    imap_port, web_port = free_port(), free_port()
    run = os.path.join(work, "run")
    os.makedirs(run)
    with open(os.path.join(work, "dovecot.conf"), "w") as out:
        out.write(f"""base_dir = {run}
state_dir = {run}
instance_name = hookwise-test-{imap_port}
protocols = imap
listen = 127.0.0.1
ssl = no
disable_plaintext_auth = no
auth_mechanisms = plain login
mail_location = maildir:~/Maildir
first_valid_uid = 1
log_path = {work}/dovecot.log
passdb {{
  driver = passwd-file
  args = scheme=PLAIN username_format=%u {work}/passwd
}}
userdb {{
  driver = static
  args = uid={uid} gid={gid} home={work}/home/%u
}}
service imap-login {{
  inet_listener imap {{
    address = 127.0.0.1
    port = {imap_port}
  }}
  inet_listener imaps {{
    port = 0
  }}
}}
""")
    config = os.path.join(work, "config")
    for sub in ("config", "temp", "logs"):
        os.makedirs(os.path.join(work, sub), exist_ok=True)
    for name in ("defaults.inc.php", "mimetypes.php"):
        os.symlink(os.path.join("/etc/roundcube", name), os.path.join(config, name))
    database = os.path.join(work, "roundcube.db")
    with open("/usr/share/roundcube/SQL/sqlite.initial.sql", "rb") as schema:
        subprocess.run(["sqlite3", database], stdin=schema, check=True)
    with open(os.path.join(config, "config.inc.php"), "w") as out:
        out.write(f"""<?php
$config = [];
$config['db_dsnw'] = 'sqlite:///{database}?mode=0600';
$config['imap_host'] = '127.0.0.1:{imap_port}';
$config['smtp_host'] = '';
$config['des_key'] = 'hookwise-end-to-end-test';
$config['plugins'] = [];
$config['skin'] = 'elastic';
$config['language'] = '{language}';
$config['temp_dir'] = '{work}/temp/';
$config['log_dir'] = '{work}/logs/';
$config['enable_spellcheck'] = false;
$config['enable_installer'] = false;
$config['ip_check'] = false;
$config['login_rate_limit'] = 0;
""")
    processes = []
    log = open(os.path.join(work, "servers.log"), "w")
    processes.append(subprocess.Popen(["dovecot", "-F", "-c", os.path.join(work, "dovecot.conf")],
                                      stdin=subprocess.DEVNULL, stdout=log, stderr=log))
    environment = dict(os.environ, ROUNDCUBE_CONFIG_DIR=config)
    processes.append(subprocess.Popen(["php", "-S", f"127.0.0.1:{web_port}", "-t", ROUNDCUBE],
                                      stdin=subprocess.DEVNULL, stdout=log, stderr=log,
                                      env=environment))
    url = f"http://127.0.0.1:{web_port}/"
    if not wait_until(lambda: imap_ready(imap_port), 20):
        raise RuntimeError("Dovecot did not answer: " + open(os.path.join(work, "servers.log")).read())
    if not wait_until(lambda: web_ready(url), 20):
        raise RuntimeError("Roundcube did not answer: " + open(os.path.join(work, "servers.log")).read())
    return processes, {"url": url, "user": USER, "password": PASSWORD}


def main():
    mail_dir, info_file = sys.argv[1], sys.argv[-1]
    language = sys.argv[2] if len(sys.argv) == 4 else "en_US"
    for need in ("dovecot", "php", "sqlite3"):
        if not shutil.which(need):
            write_info(info_file, {"skip": f"{need} is not installed (scripts/deps.sh installs it)"})
            return
    if not os.path.exists(os.path.join(ROUNDCUBE, "index.php")):
        write_info(info_file, {"skip": "Roundcube is not installed (scripts/deps.sh installs it)"})
        return
    work = tempfile.mkdtemp(prefix="hookwise-webmail-")
    os.chmod(work, 0o755)  # Dovecot's mail process runs as another user when we are root
    processes = []
    try:
        if not os.path.isdir(os.path.join("/usr/share/roundcube/program/localization", language)):
            raise RuntimeError("Roundcube has no language " + language)
        processes, info = start(work, mail_dir, language)
        write_info(info_file, info)
        sys.stdin.read()
    except Exception as error:  # reported to the test, which fails with it
        write_info(info_file, {"error": str(error)})
    finally:
        for process in processes:
            process.terminate()
        for process in processes:
            try:
                process.wait(10)
            except subprocess.TimeoutExpired:
                process.kill()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
