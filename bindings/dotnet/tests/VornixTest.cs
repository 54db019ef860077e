// The C# binding against the native simulator library under Mono: one call of the
// scenario in VORNIX_SCENARIO recorded end to end, and the refusals a host meets.
// Usage: mono VornixTest.exe OUTPUT_FOLDER
using System;
using System.IO;
using System.Threading;
using Vornix;

static class VornixTest
{
    static int passed, failed;

    static void Check(bool ok, string what)
    {
        if (ok) { ++passed; } else { ++failed; Console.WriteLine("FAILED: " + what); }
    }

    static bool WaitUntil(Func<bool> condition)
    {
        for (int waited = 0; waited < 5000; waited += 10)
        {
            if (condition()) return true;
            Thread.Sleep(10);
        }
        return false;
    }

    static int Expect(Action call)
    {
        try { call(); } catch (VornixException e) { return e.LastError; }
        return -1;
    }

    static void RecordsACall(LineBoxLibrary lib, string folder)
    {
        Check(lib.Count == 1, "one box at the start");
        Check(WaitUntil(() => lib.Count == 2), "box2 is plugged at 1 s");
        LineBox box = lib.Box(1);
        Check(box.Serial() == 5001 && lib.Box(0).Serial() == 5100, "serial codes");
        Check(WaitUntil(box.Ring), "box2 rings");
        Check(box.CallerId() == "13800138000", "the caller ID");
        Check(WaitUntil(box.OffHook), "the handset is lifted");
        string path = Path.Combine(folder, "csharp_call.wav");
        box.StartRecording(path, 1 << 30);
        string digits = "";
        while (!box.Disconnected())
        {
            box.PollRecording();
            digits += box.Dtmf();
            Thread.Sleep(10);
        }
        box.StopRecording();
        Check(digits == "123#", "the digits dialled: " + digits);
        byte[] wav = File.ReadAllBytes(path);
        int dataSize = BitConverter.ToInt32(wav, 54);
        Check(wav.Length == 58 + dataSize && dataSize % Native.ChunkBytes == 0, "a finished WAV of whole chunks");
        double seconds = dataSize / 8000.0;
        Check(Math.Abs(seconds - 10.24) <= 2.048, "the call lasts about 10.24 s: " + seconds);
    }

    static void Refusals(LineBoxLibrary lib)
    {
        Check(Expect(() => lib.Box(64).Ring()) == Native.ErrorBadArgument, "slot 64 is out of range");
        Check(Expect(() => lib.Box(0).Led(3)) == Native.ErrorBadArgument, "LED mode 3 is out of range");
        Check(Expect(() => lib.Box(0).StopRecording()) == 0, "a failure after a refusal carries no stale reason");
        Check(Native.SW_Play(1, 2, 3, 4) && Native.SW_StopPlay(0) == 0, "the kept exports answer their constants");
    }

    static int Main(string[] args)
    {
        using (var lib = new LineBoxLibrary())
        {
            RecordsACall(lib, args.Length > 0 ? args[0] : ".");
            Refusals(lib);
        }
        using (var again = new LineBoxLibrary())
            Check(again.Count == 2, "opening again finds both boxes");
        Check(Expect(() => new LineBox(0).Serial()) == Native.ErrorNotOpen, "closed: not open");
        Console.WriteLine("csharp binding: {0} passed, {1} failed", passed, failed);
        return failed == 0 ? 0 : 1;
    }
}
