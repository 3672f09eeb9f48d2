#!/usr/bin/python3
"""A second CalDAV client on the same collection, as another program would be, for the
sync tests: python3-caldav lists, creates, edits and deletes tasks.

second_client.py URL list                       JSON of every task: uid, summary, ...
second_client.py URL create UID SUMMARY         a new task
second_client.py URL edit UID PROPERTY VALUE    sets one property (summary, priority, x-foo)
second_client.py URL delete UID
Several commands go in one call separated by "--": second_client.py URL delete A -- list
The user and password are "user" and $PELLMARK_PASSWORD (any for a server without
authentication)."""

import json
import os
import sys

import caldav


def collection(url):
    client = caldav.DAVClient(url, username="user",
                              password=os.environ.get("PELLMARK_PASSWORD", "x"))
    return caldav.Calendar(client=client, url=url)


def find(tasks, uid):
    for task in tasks.todos(include_completed=True):
        if str(task.icalendar_component.get("uid")) == uid:
            return task
    raise SystemExit("no task " + uid)


def run(tasks, command, args):
    if command == "list":
        out = []
        for task in tasks.todos(include_completed=True):
            todo = task.icalendar_component
            out.append({key.lower(): str(value) for key, value in todo.items()})
        out.sort(key=lambda t: t.get("summary", ""))
        print(json.dumps(out))
    elif command == "create":
        uid, summary = args
        tasks.save_todo("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//test//second client//EN\r\n"
                        "BEGIN:VTODO\r\nUID:%s\r\nDTSTAMP:20240501T090000Z\r\nSUMMARY:%s\r\n"
                        "END:VTODO\r\nEND:VCALENDAR\r\n" % (uid, summary))
    elif command == "edit":
        uid, name, value = args
        task = find(tasks, uid)
        todo = task.icalendar_component
        if name in todo:
            del todo[name]
        todo.add(name, int(value) if name == "priority" else value)
        task.save()
    elif command == "delete":
        find(tasks, args[0]).delete()
    else:
        raise SystemExit("unknown command " + command)


def main():
    url, *words = sys.argv[1:]
    tasks = collection(url)
    commands = [[]]
    for word in words:
        if word == "--":
            commands.append([])
        else:
            commands[-1].append(word)
    for command, *args in commands:
        run(tasks, command, args)


main()
