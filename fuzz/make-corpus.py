#!/usr/bin/env python3
"""Writes the seed corpus of each fuzz target into fuzz/corpus/<target>/.

Each seed is one hand-picked case in the target's input layout (described at
the top of fuzz/<target>_fuzz.cpp): the ordinary paths and the edges around
the 260-byte buffers, so that fuzzing starts from inputs that reach deep.
Run it again after changing a layout: python3 fuzz/make-corpus.py
"""
import os
import shutil
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

# {6BDD1FC6-810F-11D0-BEC7-08002BE2092F} as it lies in memory.
IMAGE_CLASS = struct.pack("<IHH8B", 0x6BDD1FC6, 0x810F, 0x11D0,
                          0xBE, 0xC7, 0x08, 0x00, 0x2B, 0xE2, 0x09, 0x2F)
CAMERA = b"RUdiDOVUDIRUR"


def camera_path(index):
    return b"\\\\?\\root#image#%04d#{6bdd1fc6-810f-11d0-bec7-08002be2092f}" % index


def sized(data):
    return struct.pack("<H", len(data)) + data


def write(target, seeds):
    directory = os.path.join(HERE, "corpus", target)
    shutil.rmtree(directory, ignore_errors=True)
    os.makedirs(directory)
    for name, data in seeds.items():
        with open(os.path.join(directory, name), "wb") as f:
            f.write(data)


# ---------------------------------------------------------------- device_change

ARRIVAL, REMOVE_COMPLETE, REMOVE_PENDING, QUERY_REMOVE = 0, 1, 2, 3
DEVNODES_CHANGED, CUSTOM = 5, 6
SETTLE = 0xFE  # the timer that follows a tree change fires


def interface_record(path, wide=False, terminated=True, size=None, devicetype=5):
    name = path.decode("latin-1").encode("utf-16-le") if wide else path
    terminator = (b"\0\0" if wide else b"\0") if terminated else b""
    body = struct.pack("<III", 0, devicetype, 0) + IMAGE_CLASS + name + terminator
    claimed = len(body) if size is None else size
    return struct.pack("<I", claimed) + body[4:]


def records(*pairs):
    return b"".join(bytes([event]) + sized(record) for event, record in pairs)


def device_change_seeds():
    cam0, cam1 = camera_path(0), camera_path(1)
    volume = struct.pack("<IIIIH", 18, 2, 0, 0x4, 0)
    return {
        "remove-camera-at-start": bytes([0x41]) + records((REMOVE_COMPLETE, interface_record(cam0))),
        "arrive-registered-camera": bytes([0x4C]) + records((ARRIVAL, interface_record(cam1))),
        "arrive-wide": bytes([0x4C]) + records((ARRIVAL, interface_record(cam1, wide=True))),
        "arrive-remove-arrive": bytes([0x4C]) + records(
            (ARRIVAL, interface_record(cam1)), (REMOVE_PENDING, interface_record(cam1)),
            (REMOVE_COMPLETE, interface_record(cam1)), (ARRIVAL, interface_record(cam1))),
        "second-camera-while-running": bytes([0x45]) + records((ARRIVAL, interface_record(cam1))),
        "unterminated-name": bytes([0x44]) + records(
            (ARRIVAL, interface_record(cam1, terminated=False))),
        "unterminated-wide-name": bytes([0x44]) + records(
            (ARRIVAL, interface_record(cam1, wide=True, terminated=False))),
        "size-cuts-name": bytes([0x44]) + records(
            (ARRIVAL, interface_record(cam1, size=28 + 10))),
        "header-only": bytes([0x41]) + records((ARRIVAL, interface_record(b"", size=12))),
        "volume": bytes([0x41]) + records((ARRIVAL, volume), (REMOVE_COMPLETE, volume)),
        "query-remove": bytes([0x41]) + records((QUERY_REMOVE, interface_record(cam0))),
        "devnodes-changed": bytes([0x41]) + records((DEVNODES_CHANGED, b"")),
        # Camera 1's arrival is lost: the look after the tree change serves it.
        "devnodes-then-settle": bytes([0x4C]) + records((DEVNODES_CHANGED, b"")) + bytes([SETTLE]),
        "refused-open": bytes([0x54]) + records((ARRIVAL, interface_record(cam1))),
        "refused-arm": bytes([0x65]) + records((REMOVE_COMPLETE, interface_record(cam0))),
        "raw-event": bytes([0x41, 0xFF]) + struct.pack("<H", 0x8000) + sized(interface_record(cam0)),
        "long-path": bytes([0x44]) + records(
            (ARRIVAL, interface_record(b"\\\\?\\" + b"x" * 300))),
    }


# ---------------------------------------------------------------- lookup

KEY, SUBKEY, VALUE, APPS, UNDER_NAME, OTHER, FAULT = 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80
REGISTERED = KEY | SUBKEY | VALUE | APPS | UNDER_NAME
SZ, BINARY, DWORD = 0, 4, 5  # selectors for fuzz_support's TypeFrom


def lookup(flags, application=b"", command=b"", other_name=b"", other_data=b"", types=0,
           other_type=0, buffer_size=260, fault_api=0, fault_skip=0):
    return (bytes([flags, types]) + sized(application) + sized(command) + sized(other_name) +
            sized(other_data) + bytes([other_type]) + struct.pack("<H", buffer_size - 1) +
            bytes([fault_api, fault_skip]))


def lookup_seeds():
    app, cmd = b"Imaging\0", b"C:\\Imaging\\snap.exe /button\0"
    return {
        "nothing-registered": lookup(0),
        "star": lookup(KEY | SUBKEY | VALUE | APPS, b"*\0"),
        "star-unterminated": lookup(KEY | SUBKEY | VALUE | APPS | UNDER_NAME, b"*", cmd),
        "registered": lookup(REGISTERED, app, cmd),
        "registered-picture": lookup(REGISTERED | 0x01, app, cmd),
        "no-driver-key": lookup(REGISTERED & ~KEY, app, cmd),
        "name-not-registered": lookup(REGISTERED & ~UNDER_NAME, app, cmd),
        "command-259-chars": lookup(REGISTERED, app, b"c" * 259 + b"\0"),
        "command-260-unterminated": lookup(REGISTERED, app, b"c" * 260),
        "command-260-terminated-early": lookup(REGISTERED, app, b"c" * 200 + b"\0" * 60),
        "command-261": lookup(REGISTERED, app, b"c" * 260 + b"\0"),
        "name-260-unterminated": lookup(REGISTERED, b"n" * 260, cmd),
        "name-embedded-zero": lookup(REGISTERED, b"Ima\0ging\0", cmd),
        "name-as-dword": lookup(REGISTERED, b"\x01\x02\x03\x04", cmd, types=DWORD),
        "command-binary-unterminated": lookup(REGISTERED, app, b"C:\\x.exe", types=BINARY << 4),
        "empty-name-default-value": lookup(REGISTERED, b"", cmd),
        "other-name-other-case": lookup(REGISTERED & ~UNDER_NAME | OTHER, app, b"",
                                        b"IMAGING", cmd),
        "small-caller-buffer": lookup(REGISTERED, app, cmd, buffer_size=8),
        "fault-second-query": lookup(REGISTERED | FAULT, app, cmd, fault_api=1, fault_skip=1),
        "fault-create-process": lookup(REGISTERED | FAULT, app, cmd, fault_api=3),
        "fault-windows-directory": lookup(REGISTERED | FAULT, app, cmd, fault_api=2),
    }


# ---------------------------------------------------------------- identify

OPEN_FIRST, ARRIVE, DRIVER_KEYS, WIDE, OWN_PATH, REFUSE, SERVICES, LATE = (
    0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80)
HAS_SERVICE, CAMERA_NAME, HAS_DRIVER, STD_DRIVER, STD_PATH, MIXED = 0x01, 0x02, 0x04, 0x08, 0x40, 0x80


def device(shape, interfaces=1, service=b"", service_type=SZ, driver=b"", driver_type=SZ,
           paths=()):
    data = bytes([shape | (interfaces << 4), service_type]) + sized(service)
    data += bytes([driver_type]) + sized(driver)
    for path in paths:
        data += sized(path)
    return data


def identify(flags, devices, pick=0, own_path=b"", buffer_size=260):
    data = bytes([flags, len(devices) - 1]) + b"".join(devices) + bytes([pick])
    if flags & OWN_PATH:
        data += sized(own_path)
    return data + struct.pack("<H", buffer_size - 1)


def identify_seeds():
    camera = device(HAS_SERVICE | CAMERA_NAME | HAS_DRIVER | STD_DRIVER | STD_PATH)
    other = device(HAS_SERVICE | HAS_DRIVER | STD_PATH, service=b"usbscan\0",
                   driver=b"{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}\\0009\0")
    everything = OPEN_FIRST | ARRIVE | DRIVER_KEYS | SERVICES
    return {
        "camera": identify(everything, [camera]),
        "camera-mixed-case": identify(everything, [device(
            HAS_SERVICE | CAMERA_NAME | MIXED | HAS_DRIVER | STD_DRIVER | STD_PATH)]),
        "other-then-camera": identify(everything, [other, camera], pick=1),
        "no-service-ends-walk": identify(everything, [device(HAS_DRIVER | STD_PATH), camera]),
        "service-128-unterminated": identify(everything, [device(
            HAS_SERVICE | STD_PATH, service=b"s" * 128), camera]),
        "service-binary-camera": identify(everything, [device(
            HAS_SERVICE | HAS_DRIVER | STD_DRIVER | STD_PATH, service=CAMERA + b"\0",
            service_type=BINARY)]),
        "service-unterminated-camera": identify(everything, [device(
            HAS_SERVICE | HAS_DRIVER | STD_DRIVER | STD_PATH, service=CAMERA)], buffer_size=13),
        "driver-dword": identify(everything, [device(
            HAS_SERVICE | CAMERA_NAME | HAS_DRIVER | STD_PATH, driver=b"\x07\0\0\0",
            driver_type=DWORD)]),
        "driver-too-long": identify(everything, [device(
            HAS_SERVICE | CAMERA_NAME | HAS_DRIVER | STD_PATH, driver=b"d" * 259 + b"\0")]),
        "path-252": identify(everything, [device(
            HAS_SERVICE | CAMERA_NAME | HAS_DRIVER | STD_DRIVER, paths=[b"\\\\?\\" + b"p" * 248])]),
        "path-253": identify(everything, [device(
            HAS_SERVICE | CAMERA_NAME | HAS_DRIVER | STD_DRIVER, paths=[b"\\\\?\\" + b"p" * 249])]),
        "two-cameras": identify(everything, [camera, camera], pick=1),
        "wide-arrival": identify(everything | WIDE, [camera]),
        "own-path-arrival": identify(ARRIVE | OWN_PATH, [camera], own_path=camera_path(0).upper()),
        "late-devices": identify(everything | LATE, [camera]),
        "refused-open": identify(everything | REFUSE, [camera]),
        "small-service-buffer": identify(SERVICES, [camera], buffer_size=1),
        # Exactly the buffer's size, terminated before its last byte.
        "service-fills-buffer-terminated-early": identify(everything, [device(
            HAS_SERVICE | HAS_DRIVER | STD_DRIVER | STD_PATH,
            service=CAMERA + b"\0" + b"x" * (128 - len(CAMERA) - 1))]),
    }


if __name__ == "__main__":
    write("device_change", device_change_seeds())
    write("lookup", lookup_seeds())
    write("identify", identify_seeds())
    for target in ("device_change", "lookup", "identify"):
        print(target, len(os.listdir(os.path.join(HERE, "corpus", target))), "seeds")
