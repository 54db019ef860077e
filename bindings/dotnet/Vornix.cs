// Line boxes from C# through the vornix library: the 39 exports as DllImport
// declarations, and a small class per box above them. DllImport("vornix") finds
// vornix.dll on Windows (the 32-bit or 64-bit one, as the process is) and libvornix.so
// on Linux (Mono; simulated boxes). docs/host-guide.md says what each call does;
// vornix.h is the reference. On Windows the thread that opened the library calls
// LineBoxLibrary.Pump() every round, or plugged and pulled boxes go unnoticed.
using System;
using System.Runtime.InteropServices;

namespace Vornix
{
    /// <summary>The raw exports, exactly as vornix.h declares them.</summary>
    public static class Native
    {
        const string Library = "vornix";
        const CallingConvention Convention = CallingConvention.StdCall;

        public const int ErrorNotOpen = 1;       // the library is not open
        public const int ErrorBadArgument = 87;  // an argument is out of range
        public const int LedOff = 0, Led1 = 1, Led2 = 2;
        public const int Slots = 64, Digits = 16, ChunkBytes = 16384;

        [DllImport(Library, CallingConvention = Convention, SetLastError = true)]
        [return: MarshalAs(UnmanagedType.U1)] public static extern bool SW_Init();
        [DllImport(Library, CallingConvention = Convention, SetLastError = true)]
        [return: MarshalAs(UnmanagedType.U1)] public static extern bool SW_Free();
        [DllImport(Library, CallingConvention = Convention, SetLastError = true)]
        public static extern int SW_GetCount();

        [DllImport(Library, CallingConvention = Convention, SetLastError = true)]
        [return: MarshalAs(UnmanagedType.U1)] public static extern bool SW_LED(int slot, int mode);
        [DllImport(Library, CallingConvention = Convention, SetLastError = true)]
        [return: MarshalAs(UnmanagedType.U1)] public static extern bool SW_Reconnect(int slot);
        [DllImport(Library, CallingConvention = Convention, SetLastError = true)]
        [return: MarshalAs(UnmanagedType.U1)] public static extern bool SW_Disconnect(int slot);
        [DllImport(Library, CallingConvention = Convention, SetLastError = true)]
        [return: MarshalAs(UnmanagedType.U1)] public static extern bool SW_USBInit(int slot);

        [DllImport(Library, CallingConvention = Convention, SetLastError = true)]
        [return: MarshalAs(UnmanagedType.U1)] public static extern bool SW_Record(int slot, int offset, byte[] buffer, int length);
        [DllImport(Library, CallingConvention = Convention, SetLastError = true)]
        public static extern int SW_CheckSilence(int slot);

        [DllImport(Library, CallingConvention = Convention, SetLastError = true)]
        [return: MarshalAs(UnmanagedType.U1)] public static extern bool SW_Record1(int slot, int offset, byte[] buffer, int length);
        [DllImport(Library, CallingConvention = Convention, SetLastError = true)]
        [return: MarshalAs(UnmanagedType.U1)] public static extern bool SW_RecEnd(int slot, out byte flag);
        [DllImport(Library, CallingConvention = Convention, SetLastError = true)]
        [return: MarshalAs(UnmanagedType.U1)] public static extern bool SW_OffHook(int slot, out byte flag);
        [DllImport(Library, CallingConvention = Convention, SetLastError = true)]
        public static extern int SW_CheckRecEnd(int slot);
        [DllImport(Library, CallingConvention = Convention, SetLastError = true)]
        public static extern int SW_CheckOffHook(int slot);
        [DllImport(Library, CallingConvention = Convention, SetLastError = true)]
        public static extern int SW_CheckDisconnect(int slot);
        [DllImport(Library, CallingConvention = Convention, SetLastError = true)]
        public static extern int SW_CheckRing(int slot);

        // Digit outputs are byte buffers: 16 bytes, with no terminator after 16 digits.
        [DllImport(Library, CallingConvention = Convention, SetLastError = true)]
        [return: MarshalAs(UnmanagedType.U1)] public static extern bool SW_GetCID(int slot, int unused1, byte[] codes16, int unused2);
        [DllImport(Library, CallingConvention = Convention, SetLastError = true)]
        public static extern int SW_ReceiveCID(int slot, byte[] digits16);
        // Library-owned texts, valid until the next call: IntPtr, copied by the caller.
        [DllImport(Library, CallingConvention = Convention, SetLastError = true)]
        public static extern IntPtr SW_GetStrCID(int slot);
        [DllImport(Library, CallingConvention = Convention, SetLastError = true)]
        [return: MarshalAs(UnmanagedType.U1)] public static extern bool SW_GetDTMF(int slot, int unused1, byte[] codes16, int unused2);
        [DllImport(Library, CallingConvention = Convention, SetLastError = true)]
        public static extern int SW_ReceiveDTMF(int slot, byte[] digits16);
        [DllImport(Library, CallingConvention = Convention, SetLastError = true)]
        public static extern IntPtr SW_GetStrDTMF(int slot);

        // A path the ANSI code page cannot hold throws instead of naming another file.
        [DllImport(Library, CallingConvention = Convention, SetLastError = true, CharSet = CharSet.Ansi,
                   BestFitMapping = false, ThrowOnUnmappableChar = true)]
        public static extern int SW_StartFileRecord(int slot, [MarshalAs(UnmanagedType.LPStr)] string path, int budget);
        [DllImport(Library, CallingConvention = Convention, SetLastError = true)]
        public static extern int SW_StopFileRecord(int slot);
        [DllImport(Library, CallingConvention = Convention, SetLastError = true)]
        public static extern int SW_CheckFileRecordEnd(int slot);

        [DllImport(Library, CallingConvention = Convention, SetLastError = true)]
        public static extern int SW_GetSN(int slot);
        [DllImport(Library, CallingConvention = Convention, SetLastError = true)]
        [return: MarshalAs(UnmanagedType.U1)] public static extern bool SW_SN(int slot, byte[] code2);
        [DllImport(Library, CallingConvention = Convention, SetLastError = true)]
        [return: MarshalAs(UnmanagedType.U1)] public static extern bool SW_test(int slot, int unused);

        // Kept for hosts of earlier boxes: they do nothing.
        [DllImport(Library, CallingConvention = Convention)]
        [return: MarshalAs(UnmanagedType.U1)] public static extern bool SW_Play(int a, int b, int c, int d);
        [DllImport(Library, CallingConvention = Convention)]
        [return: MarshalAs(UnmanagedType.U1)] public static extern bool SW_GetInfo(int a, int b);
        [DllImport(Library, CallingConvention = Convention)]
        [return: MarshalAs(UnmanagedType.U1)] public static extern bool SW_CIDEnd(int a, int b);
        [DllImport(Library, CallingConvention = Convention)]
        [return: MarshalAs(UnmanagedType.U1)] public static extern bool SW_CIDClear(int a);
        [DllImport(Library, CallingConvention = Convention)]
        public static extern int SW_PlayEnd(int a, int b);
        [DllImport(Library, CallingConvention = Convention)]
        public static extern int SW_CheckPlayEnd(int a);
        [DllImport(Library, CallingConvention = Convention)]
        public static extern int SW_CheckCIDEnd(int a);
        [DllImport(Library, CallingConvention = Convention)]
        public static extern int SW_StartPlay(int a, int b);
        [DllImport(Library, CallingConvention = Convention)]
        public static extern int SW_StopPlay(int a);
        [DllImport(Library, CallingConvention = Convention)]
        [return: MarshalAs(UnmanagedType.U1)] public static extern bool SW_StartDrv(int a, int b);
        [DllImport(Library, CallingConvention = Convention)]
        [return: MarshalAs(UnmanagedType.U1)] public static extern bool SW_StopDrv(int a, int b);
    }

    /// <summary>What the binding needs of the system (the thread's last error, its messages),
    /// and the one way an export's failure becomes a VornixException.</summary>
    static class SystemCalls
    {
        static readonly bool OnWindows = Environment.OSVersion.Platform == PlatformID.Win32NT;

        [StructLayout(LayoutKind.Sequential)]
        struct Message
        {
            public IntPtr Window;
            public uint Id;
            public IntPtr WParam, LParam;
            public uint Time;
            public int X, Y;
        }

        const uint PmRemove = 1;
        [DllImport("kernel32.dll")] static extern void SetLastError(uint code);
        [DllImport("libc", EntryPoint = "__errno_location")] static extern IntPtr ErrnoLocation();
        [DllImport("user32.dll")] [return: MarshalAs(UnmanagedType.Bool)]
        static extern bool PeekMessageA(out Message message, IntPtr window, uint first, uint last, uint remove);
        [DllImport("user32.dll")] [return: MarshalAs(UnmanagedType.Bool)]
        static extern bool TranslateMessage(ref Message message);
        [DllImport("user32.dll")] static extern IntPtr DispatchMessageA(ref Message message);

        // .NET Framework and Mono keep the error of an earlier call, and a device failure
        // sets none: without this a stale refusal would be reported for it. On Linux the
        // library's last error is errno.
        public static void ClearLastError()
        {
            if (OnWindows) SetLastError(0);
            else Marshal.WriteInt32(ErrnoLocation(), 0);
        }

        public static void Pump()
        {
            if (!OnWindows) return;
            Message message;
            while (PeekMessageA(out message, IntPtr.Zero, 0, 0, PmRemove))
            {
                TranslateMessage(ref message);
                DispatchMessageA(ref message);
            }
        }

        /// <summary>Calls an export that fails with a negative result.</summary>
        public static int Checked(string function, Func<int> call)
        {
            ClearLastError();
            int result = call();
            if (result < 0) throw new VornixException(function, Marshal.GetLastWin32Error());
            return result;
        }

        /// <summary>Calls an export that fails with false.</summary>
        public static void Checked(string function, Func<bool> call)
        {
            ClearLastError();
            if (!call()) throw new VornixException(function, Marshal.GetLastWin32Error());
        }
    }

    /// <summary>A call the library refused or could not do.</summary>
    public class VornixException : Exception
    {
        public int LastError { get; }
        public VornixException(string function, int lastError)
            : base(function + " failed: " + Reason(lastError)) { LastError = lastError; }

        static string Reason(int error)
        {
            switch (error)
            {
                case Native.ErrorNotOpen: return "the library is not open";
                case Native.ErrorBadArgument: return "an argument is out of range";
                default: return "the box did not answer (the library holds off for a moment)";
            }
        }
    }

    /// <summary>The library as a whole: open, close, count.</summary>
    public sealed class LineBoxLibrary : IDisposable
    {
        public LineBoxLibrary() { Native.SW_Init(); }
        public void Dispose() { Native.SW_Free(); }

        /// <summary>Boxes as the last enumeration found them.</summary>
        public int Count { get { return SystemCalls.Checked("SW_GetCount", () => Native.SW_GetCount()); } }

        /// <summary>Dispatches the messages waiting for this thread: on Windows the library
        /// learns of plugged and pulled boxes only while the thread that called SW_Init does
        /// this. Call it every round, on the same thread as SW_Init. Nothing to do elsewhere.</summary>
        public void Pump() { SystemCalls.Pump(); }

        public LineBox Box(int slot) { return new LineBox(slot); }
    }

    /// <summary>The box at one device slot: a position, not an identity.</summary>
    public sealed class LineBox
    {
        public int Slot { get; }
        public LineBox(int slot) { Slot = slot; }

        static int Checked(string function, Func<int> call) { return SystemCalls.Checked(function, call); }
        static void Checked(string function, Func<bool> call) { SystemCalls.Checked(function, call); }

        public bool Ring() { return Checked("SW_CheckRing", () => Native.SW_CheckRing(Slot)) == 1; }
        public bool OffHook() { return Checked("SW_CheckOffHook", () => Native.SW_CheckOffHook(Slot)) == 1; }
        public bool Disconnected() { return Checked("SW_CheckDisconnect", () => Native.SW_CheckDisconnect(Slot)) == 1; }
        public bool BlockReady() { return Checked("SW_CheckRecEnd", () => Native.SW_CheckRecEnd(Slot)) == 1; }
        public int Serial() { return Checked("SW_GetSN", () => Native.SW_GetSN(Slot)); }

        /// <summary>The calling number ("" when none); reading it consumes it.</summary>
        public string CallerId() { return Digits("SW_ReceiveCID", Native.SW_ReceiveCID); }

        /// <summary>The digits dialled since the last read; consumes them.</summary>
        public string Dtmf() { return Digits("SW_ReceiveDTMF", Native.SW_ReceiveDTMF); }

        string Digits(string function, Func<int, byte[], int> read)
        {
            var buffer = new byte[Native.Digits + 1];  // no terminator after 16 digits
            int count = Checked(function, () => read(Slot, buffer));
            return System.Text.Encoding.ASCII.GetString(buffer, 0, count);
        }

        public void Led(int mode) { Checked("SW_LED", () => Native.SW_LED(Slot, mode)); }
        public void Reconnect() { Checked("SW_Reconnect", () => Native.SW_Reconnect(Slot)); }
        public void Disconnect() { Checked("SW_Disconnect", () => Native.SW_Disconnect(Slot)); }

        /// <summary>Starts a WAV recording with a budget in bytes (one budget for all boxes).
        /// A path the ANSI code page cannot hold throws ArgumentException.</summary>
        public void StartRecording(string path, int budget)
        {
            Checked("SW_StartFileRecord", () => Native.SW_StartFileRecord(Slot, path, budget));
        }

        /// <summary>Appends a block when one is ready; the budget left (0: spent).</summary>
        public int PollRecording() { return Checked("SW_CheckFileRecordEnd", () => Native.SW_CheckFileRecordEnd(Slot)); }

        public void StopRecording() { Checked("SW_StopFileRecord", () => Native.SW_StopFileRecord(Slot)); }
    }
}
