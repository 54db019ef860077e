"""The Python binding against the native simulator library (libvornix.so), which plays
the scenario named in VORNIX_SCENARIO: one call recorded end to end, and the errors a
host meets. Run with VORNIX_LIBRARY naming the library."""
import os
import pathlib
import sys
import time
import wave

import pytest

HERE = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parent))
import vornix  # noqa: E402

SCENARIO = HERE.parents[2] / "vornix" / "tests" / "sim" / "foreign_call.scn"
SPEED = 8


def wait_until(condition, seconds=5.0):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if condition():
            return True
        time.sleep(0.01)
    return False


@pytest.fixture(scope="module")
def lib():
    # The library plays one scenario per process, from its first SW_Init.
    os.environ["VORNIX_SCENARIO"] = str(SCENARIO)
    os.environ["VORNIX_SPEED"] = str(SPEED)
    library = vornix.load()
    library.open()
    yield library
    library.close()


def test_a_call_is_recorded_end_to_end(lib, tmp_path):
    assert lib.count() == 1
    assert wait_until(lambda: lib.count() == 2), "box2 is plugged at 1 s"
    box = lib.box(1)
    assert box.serial() == 5001 and lib.box(0).serial() == 5100
    assert wait_until(box.ring)
    assert box.caller_id() == "13800138000"
    assert box.caller_id() == "", "reading the number consumed it"
    assert wait_until(box.off_hook)
    path = tmp_path / "call.wav"
    box.start_recording(str(path), 1 << 30)
    digits = ""
    while not box.disconnected():
        assert box.poll_recording() > 0
        digits += box.dtmf()
        time.sleep(0.01)
    box.stop_recording()
    assert digits == "123#"
    with wave.open(str(path), "rb") as w:
        assert (w.getnchannels(), w.getsampwidth(), w.getframerate()) == (1, 1, 8000)
        seconds = w.getnframes() / 8000
    assert abs(seconds - 10.24) <= 2.048, seconds


@pytest.mark.parametrize("call, error", [
    (lambda lib: lib.box(64).ring(), vornix.ERROR_BAD_ARGUMENT),
    (lambda lib: lib.box(0).led(3), vornix.ERROR_BAD_ARGUMENT),
    (lambda lib: lib.box(-1).start_recording("x.wav", 0), vornix.ERROR_BAD_ARGUMENT),
    (lambda lib: lib.box(0).stop_recording(), 0),  # not recording: no reason of its own
])
def test_refusals_raise_with_the_last_error(lib, call, error):
    with pytest.raises(vornix.VornixError) as caught:
        call(lib)
    assert caught.value.last_error == error


def test_a_closed_library_says_not_open(lib):
    lib.close()
    try:
        with pytest.raises(vornix.VornixError) as caught:
            lib.count()
        assert caught.value.errno == vornix.ERROR_NOT_OPEN
        assert "not open" in str(caught.value)
    finally:
        lib.open()


def test_every_export_is_declared(lib):
    assert len(vornix._EXPORTS) == 39
    assert lib.raw.SW_Play(1, 2, 3, 4) == 1 and lib.raw.SW_StopPlay(0) == 0


def test_a_str_a_path_and_bytes_name_the_same_file(lib, tmp_path):
    folder = tmp_path / "录音"
    folder.mkdir()
    box = lib.box(0)
    for name in (str(folder / "a.wav"), folder / "b.wav", os.fsencode(folder / "c.wav")):
        box.start_recording(name, 1 << 20)
        box.stop_recording()
    assert sorted(p.name for p in folder.iterdir()) == ["a.wav", "b.wav", "c.wav"]


@pytest.mark.parametrize("present, found", [
    (["kit/python/vornix.dll", "kit/vornix.dll"], "kit/python/vornix.dll"),  # beside the module first
    (["kit/vornix.dll"], "kit/vornix.dll"),  # the kit keeps the module in python/ below the DLL
    ([], None),  # neither: the system's search, by name
])
def test_the_kit_dll_is_loaded_by_its_full_path(tmp_path, present, found):
    for name in present:
        (tmp_path / name).parent.mkdir(parents=True, exist_ok=True)
        (tmp_path / name).touch()
    expected = str(tmp_path / found) if found else "vornix.dll"
    assert vornix._kit_library(str(tmp_path / "kit" / "python")) == expected

