{ Vornix.pas - line boxes from Delphi and Free Pascal through the vornix library.

  The 39 exports of vornix.h, each imported by its ordinal from vornix.dll (the
  32-bit or the 64-bit one, as the program is) or by name from libvornix.so on Linux
  (simulated boxes), and a small class per box above them:

      Lib := TLineBoxLibrary.Create;            // SW_Init ... SW_Free
      try
        if Lib.Box[0].Ring then Number := Lib.Box[0].CallerId;
      finally
        Lib.Free;
      end;

  Failures raise EVornixError, which carries the library's last-error value
  (VORNIX_ERROR_NOT_OPEN, VORNIX_ERROR_BAD_ARGUMENT, or 0 for a device failure, after
  which the library holds off every box for a second). docs/host-guide.md says what
  each call does; vornix.h is the reference.

  The usual translation mistakes are avoided here: one-byte results are Byte, compared
  with 1 and 0 as the header says (LongBool or BOOL would read three bytes the library
  leaves undefined), every Windows import is stdcall, texts are PAnsiChar (PChar is two
  bytes wide since Delphi 2009), and digit buffers have room for 16 digits plus the
  terminator the library leaves out.

  Compilers. Checked: Free Pascal 3.2.2 in Delphi mode, x86_64 Linux against
  libvornix.so (the host guide's loop runs against the simulated boxes, also in the
  mode where string is UnicodeString, as in Delphi 2009 and later), and x86_64 Windows
  cross-compiled, importing by ordinal and run under Wine beside the simulator DLL.
  Not checked: Delphi itself (7 and current, 32- and 64-bit) and any 32-bit build
  (Debian has no Free Pascal for 32-bit Windows). The unit keeps to what
  Delphi 7 already has (no records with methods, no generics, no inline variables), to
  what does not change from 32 to 64 bits (Integer is 32 bits in both, as are the
  library's int arguments), and to what does not change with Delphi 2009's Unicode
  string: the raw calls take PAnsiChar, the class takes and gives string and converts
  at the raw call. }
unit Vornix;

{$IFDEF FPC}
  {$MODE DELPHI}
  {$IFNDEF MSWINDOWS}
    { libvornix.so uses the C calling convention; every import below names stdcall,
      which this turns into cdecl off Windows. }
    {$MACRO ON}
    {$DEFINE stdcall:=cdecl}
  {$ENDIF}
{$ENDIF}

interface

uses
  SysUtils;

const
{$IFDEF MSWINDOWS}
  VornixLib = 'vornix.dll';
{$ELSE}
  VornixLib = 'libvornix.so';
{$ENDIF}

  { Last-error values the library sets. }
  VORNIX_ERROR_NOT_OPEN = 1;       { the library is not open }
  VORNIX_ERROR_BAD_ARGUMENT = 87;  { an argument is out of range }

  { LED modes of SW_LED: the recorder shows 1 while a line rings, 2 while it records. }
  VORNIX_LED_OFF = 0;
  VORNIX_LED_1 = 1;
  VORNIX_LED_2 = 2;

  { Answers of SW_CheckSilence. }
  VORNIX_SILENT = 1;
  VORNIX_NOT_SILENT = 0;
  VORNIX_SILENCE_UNKNOWN = -1;

  { Sizes. }
  VORNIX_SLOTS = 64;            { device slots 0..63 }
  VORNIX_DIGITS = 16;           { caller-ID or DTMF positions of a status record }
  VORNIX_CHUNK_BYTES = 16384;   { one audio block in a recording: 2.048 s at 8000 Hz }
  VORNIX_BLOCK_BYTES = 16896;   { one audio block as the box delivers it }
  VORNIX_REPORT_BYTES = 576;    { one status report as the box delivers it }

type
  PVornixByte = ^Byte;
  { Room for the digits of SW_ReceiveCID / SW_ReceiveDTMF and the terminator that 16
    digits do not get. }
  TVornixDigits = array[0..VORNIX_DIGITS] of AnsiChar;

{ The exports in ordinal order, one per line: by ordinal from vornix.dll, by name from
  libvornix.so. Results of kind vx_bool are Byte: 1 true, 0 false. Arguments are 32-bit
  Integer except pointers. }
function SW_Init: Byte; stdcall; external VornixLib {$IFDEF MSWINDOWS}index 1{$ENDIF};
function SW_Free: Byte; stdcall; external VornixLib {$IFDEF MSWINDOWS}index 2{$ENDIF};
function SW_GetCount: Integer; stdcall; external VornixLib {$IFDEF MSWINDOWS}index 3{$ENDIF};
function SW_LED(Slot: Integer; Mode: Integer): Byte; stdcall; external VornixLib {$IFDEF MSWINDOWS}index 4{$ENDIF};
function SW_Play(A: Integer; B: Integer; C: Integer; D: Integer): Byte; stdcall; external VornixLib {$IFDEF MSWINDOWS}index 5{$ENDIF};
function SW_Record(Slot: Integer; Offset: Integer; Buffer: PVornixByte; Length: Integer): Byte; stdcall; external VornixLib {$IFDEF MSWINDOWS}index 6{$ENDIF};
function SW_GetInfo(A: Integer; B: Integer): Byte; stdcall; external VornixLib {$IFDEF MSWINDOWS}index 7{$ENDIF};
function SW_RecEnd(Slot: Integer; Flag: PVornixByte): Byte; stdcall; external VornixLib {$IFDEF MSWINDOWS}index 8{$ENDIF};
function SW_OffHook(Slot: Integer; Flag: PVornixByte): Byte; stdcall; external VornixLib {$IFDEF MSWINDOWS}index 9{$ENDIF};
function SW_CheckRecEnd(Slot: Integer): Integer; stdcall; external VornixLib {$IFDEF MSWINDOWS}index 10{$ENDIF};
function SW_CheckOffHook(Slot: Integer): Integer; stdcall; external VornixLib {$IFDEF MSWINDOWS}index 11{$ENDIF};
function SW_GetCID(Slot: Integer; Unused1: Integer; Codes16: PVornixByte; Unused2: Integer): Byte; stdcall; external VornixLib {$IFDEF MSWINDOWS}index 12{$ENDIF};
function SW_CIDEnd(A: Integer; B: Integer): Byte; stdcall; external VornixLib {$IFDEF MSWINDOWS}index 13{$ENDIF};
function SW_CIDClear(A: Integer): Byte; stdcall; external VornixLib {$IFDEF MSWINDOWS}index 14{$ENDIF};
function SW_PlayEnd(A: Integer; B: Integer): Integer; stdcall; external VornixLib {$IFDEF MSWINDOWS}index 15{$ENDIF};
function SW_CheckPlayEnd(A: Integer): Integer; stdcall; external VornixLib {$IFDEF MSWINDOWS}index 16{$ENDIF};
function SW_CheckCIDEnd(A: Integer): Integer; stdcall; external VornixLib {$IFDEF MSWINDOWS}index 17{$ENDIF};
function SW_GetDTMF(Slot: Integer; Unused1: Integer; Codes16: PVornixByte; Unused2: Integer): Byte; stdcall; external VornixLib {$IFDEF MSWINDOWS}index 18{$ENDIF};
function SW_Reconnect(Slot: Integer): Byte; stdcall; external VornixLib {$IFDEF MSWINDOWS}index 19{$ENDIF};
function SW_Disconnect(Slot: Integer): Byte; stdcall; external VornixLib {$IFDEF MSWINDOWS}index 20{$ENDIF};
function SW_USBInit(Slot: Integer): Byte; stdcall; external VornixLib {$IFDEF MSWINDOWS}index 21{$ENDIF};
function SW_ReceiveDTMF(Slot: Integer; Digits16: PAnsiChar): Integer; stdcall; external VornixLib {$IFDEF MSWINDOWS}index 22{$ENDIF};
function SW_ReceiveCID(Slot: Integer; Digits16: PAnsiChar): Integer; stdcall; external VornixLib {$IFDEF MSWINDOWS}index 23{$ENDIF};
function SW_StartFileRecord(Slot: Integer; Path: PAnsiChar; Budget: Integer): Integer; stdcall; external VornixLib {$IFDEF MSWINDOWS}index 24{$ENDIF};
function SW_StopFileRecord(Slot: Integer): Integer; stdcall; external VornixLib {$IFDEF MSWINDOWS}index 25{$ENDIF};
function SW_CheckFileRecordEnd(Slot: Integer): Integer; stdcall; external VornixLib {$IFDEF MSWINDOWS}index 26{$ENDIF};
function SW_StartPlay(A: Integer; B: Integer): Integer; stdcall; external VornixLib {$IFDEF MSWINDOWS}index 27{$ENDIF};
function SW_StopPlay(A: Integer): Integer; stdcall; external VornixLib {$IFDEF MSWINDOWS}index 28{$ENDIF};
function SW_GetStrCID(Slot: Integer): PAnsiChar; stdcall; external VornixLib {$IFDEF MSWINDOWS}index 29{$ENDIF};
function SW_GetStrDTMF(Slot: Integer): PAnsiChar; stdcall; external VornixLib {$IFDEF MSWINDOWS}index 30{$ENDIF};
function SW_StartDrv(A: Integer; B: Integer): Byte; stdcall; external VornixLib {$IFDEF MSWINDOWS}index 31{$ENDIF};
function SW_StopDrv(A: Integer; B: Integer): Byte; stdcall; external VornixLib {$IFDEF MSWINDOWS}index 32{$ENDIF};
function SW_GetSN(Slot: Integer): Integer; stdcall; external VornixLib {$IFDEF MSWINDOWS}index 33{$ENDIF};
function SW_SN(Slot: Integer; Code2: PVornixByte): Byte; stdcall; external VornixLib {$IFDEF MSWINDOWS}index 34{$ENDIF};
function SW_CheckSilence(Slot: Integer): Integer; stdcall; external VornixLib {$IFDEF MSWINDOWS}index 35{$ENDIF};
function SW_Record1(Slot: Integer; Offset: Integer; Buffer: PVornixByte; Length: Integer): Byte; stdcall; external VornixLib {$IFDEF MSWINDOWS}index 36{$ENDIF};
function SW_CheckDisconnect(Slot: Integer): Integer; stdcall; external VornixLib {$IFDEF MSWINDOWS}index 37{$ENDIF};
function SW_CheckRing(Slot: Integer): Integer; stdcall; external VornixLib {$IFDEF MSWINDOWS}index 38{$ENDIF};
function SW_test(Slot: Integer; Unused: Integer): Byte; stdcall; external VornixLib {$IFDEF MSWINDOWS}index 39{$ENDIF};

type
  { A call the library refused or could not do. }
  EVornixError = class(Exception)
  private
    FFunctionName: string;
    FLastError: Integer;
  public
    constructor CreateFor(const AFunctionName: string; ALastError: Integer);
    property FunctionName: string read FFunctionName;
    property LastError: Integer read FLastError;
  end;

  { The box at one device slot: a position among the boxes present, not an identity. }
  TLineBox = class
  private
    FSlot: Integer;
  public
    constructor Create(ASlot: Integer);
    property Slot: Integer read FSlot;

    { Line state, from the status record (one poll serves 600 ms). }
    function Ring: Boolean;
    function OffHook: Boolean;
    function Disconnected: Boolean;
    function BlockReady: Boolean;
    { The calling number ('' when none); reading it consumes it. }
    function CallerId: string;
    { The digits dialled since the last read ('' when none); consumes them. }
    function Dtmf: string;
    { The serial code, 5000..5999, or 5301 when the box reports none. }
    function Serial: Integer;
    { Reads a fresh status record past the cache; True when it is valid. }
    function SelfTest: Boolean;
    { VORNIX_SILENT, VORNIX_NOT_SILENT, or VORNIX_SILENCE_UNKNOWN before a block was judged. }
    function Silence: Integer;

    procedure Led(Mode: Integer);
    procedure Reconnect;
    procedure Disconnect;
    procedure Reinit;

    { Starts a WAV recording into Path, handed over in the ANSI code page, with a budget
      in bytes (one budget for all boxes). }
    procedure StartRecording(const Path: string; Budget: Integer);
    { Appends a block when one is ready; the budget left (0: spent). }
    function PollRecording: Integer;
    procedure StopRecording;
  end;

  { The open library (SW_Init at Create, SW_Free at Free) and a box per slot. }
  TLineBoxLibrary = class
  private
    FBoxes: array[0..VORNIX_SLOTS - 1] of TLineBox;
    function GetBox(Slot: Integer): TLineBox;
  public
    constructor Create;
    destructor Destroy; override;
    { Boxes present as the last enumeration found them. }
    function Count: Integer;
    property Box[Slot: Integer]: TLineBox read GetBox;
  end;

{ The calling thread's last-error value as the library left it, and clearing it. }
function VornixLastError: Integer;
procedure VornixClearError;

implementation

{$IFDEF MSWINDOWS}
function GetLastError: Cardinal; stdcall; external 'kernel32.dll' name 'GetLastError';
procedure SetLastError(Code: Cardinal); stdcall; external 'kernel32.dll' name 'SetLastError';

function VornixLastError: Integer;
begin
  Result := Integer(GetLastError);
end;

procedure VornixClearError;
begin
  SetLastError(0);
end;
{$ELSE}
{ The C library's errno, which libvornix.so sets; the Pascal run time keeps its own. }
function __errno_location: PInteger; cdecl; external 'c' name '__errno_location';

function VornixLastError: Integer;
begin
  Result := __errno_location^;
end;

procedure VornixClearError;
begin
  __errno_location^ := 0;
end;
{$ENDIF}

function Reason(LastError: Integer): string;
begin
  case LastError of
    VORNIX_ERROR_NOT_OPEN: Result := 'the library is not open';
    VORNIX_ERROR_BAD_ARGUMENT: Result := 'an argument is out of range';
  else
    Result := 'the box did not answer (the library holds off for a moment)';
  end;
end;

{ Raise when a result says the call failed: an Integer below 0, or a Byte of 0. }
function Checked(const FunctionName: string; Value: Integer): Integer;
begin
  if Value < 0 then raise EVornixError.CreateFor(FunctionName, VornixLastError);
  Result := Value;
end;

procedure CheckedByte(const FunctionName: string; Value: Byte);
begin
  if Value = 0 then raise EVornixError.CreateFor(FunctionName, VornixLastError);
end;

{ Results that mean both "refused" and an answer (an invalid record, no block yet):
  only a refusal's last error makes them an error. }
function RefusedOr(const FunctionName: string; Value: Integer): Integer;
var
  Error: Integer;
begin
  Error := VornixLastError;
  if (Value <= 0) and ((Error = VORNIX_ERROR_NOT_OPEN) or (Error = VORNIX_ERROR_BAD_ARGUMENT)) then
    raise EVornixError.CreateFor(FunctionName, Error);
  Result := Value;
end;

type
  TSlotQuery = function(Slot: Integer): Integer; stdcall;
  TSlotCommand = function(Slot: Integer): Byte; stdcall;
  TSlotDigits = function(Slot: Integer; Digits16: PAnsiChar): Integer; stdcall;

{ One export of a slot, with the last error cleared first so that a failure without a
  reason of its own reads 0. }
function Query(Slot: Integer; const FunctionName: string; Call: TSlotQuery): Integer;
begin
  VornixClearError;
  Result := Checked(FunctionName, Call(Slot));
end;

procedure Command(Slot: Integer; const FunctionName: string; Call: TSlotCommand);
begin
  VornixClearError;
  CheckedByte(FunctionName, Call(Slot));
end;

function Digits(Slot: Integer; const FunctionName: string; Call: TSlotDigits): string;
var
  Buffer: TVornixDigits;
  Text: AnsiString;
begin
  VornixClearError;
  SetString(Text, PAnsiChar(@Buffer[0]), Checked(FunctionName, Call(Slot, @Buffer[0])));
  Result := string(Text);
end;

constructor EVornixError.CreateFor(const AFunctionName: string; ALastError: Integer);
begin
  inherited Create(AFunctionName + ' failed: ' + Reason(ALastError));
  FFunctionName := AFunctionName;
  FLastError := ALastError;
end;

constructor TLineBox.Create(ASlot: Integer);
begin
  inherited Create;
  FSlot := ASlot;
end;

function TLineBox.Ring: Boolean;
begin
  Result := Query(FSlot, 'SW_CheckRing', SW_CheckRing) = 1;
end;

function TLineBox.OffHook: Boolean;
begin
  Result := Query(FSlot, 'SW_CheckOffHook', SW_CheckOffHook) = 1;
end;

function TLineBox.Disconnected: Boolean;
begin
  Result := Query(FSlot, 'SW_CheckDisconnect', SW_CheckDisconnect) = 1;
end;

function TLineBox.BlockReady: Boolean;
begin
  Result := Query(FSlot, 'SW_CheckRecEnd', SW_CheckRecEnd) = 1;
end;

function TLineBox.CallerId: string;
begin
  Result := Digits(FSlot, 'SW_ReceiveCID', SW_ReceiveCID);
end;

function TLineBox.Dtmf: string;
begin
  Result := Digits(FSlot, 'SW_ReceiveDTMF', SW_ReceiveDTMF);
end;

function TLineBox.Serial: Integer;
begin
  Result := Query(FSlot, 'SW_GetSN', SW_GetSN);
end;

function TLineBox.SelfTest: Boolean;
begin
  VornixClearError;
  Result := RefusedOr('SW_test', SW_test(FSlot, 0)) = 1;
end;

function TLineBox.Silence: Integer;
begin
  VornixClearError;
  Result := RefusedOr('SW_CheckSilence', SW_CheckSilence(FSlot));
end;

procedure TLineBox.Led(Mode: Integer);
begin
  VornixClearError;
  CheckedByte('SW_LED', SW_LED(FSlot, Mode));
end;

procedure TLineBox.Reconnect;
begin
  Command(FSlot, 'SW_Reconnect', SW_Reconnect);
end;

procedure TLineBox.Disconnect;
begin
  Command(FSlot, 'SW_Disconnect', SW_Disconnect);
end;

procedure TLineBox.Reinit;
begin
  Command(FSlot, 'SW_USBInit', SW_USBInit);
end;

procedure TLineBox.StartRecording(const Path: string; Budget: Integer);
var
  AnsiPath: AnsiString;
begin
  AnsiPath := AnsiString(Path);
  VornixClearError;
  Checked('SW_StartFileRecord', SW_StartFileRecord(FSlot, PAnsiChar(AnsiPath), Budget));
end;

function TLineBox.PollRecording: Integer;
begin
  Result := Query(FSlot, 'SW_CheckFileRecordEnd', SW_CheckFileRecordEnd);
end;

procedure TLineBox.StopRecording;
begin
  Query(FSlot, 'SW_StopFileRecord', SW_StopFileRecord);
end;

constructor TLineBoxLibrary.Create;
var
  Slot: Integer;
begin
  inherited Create;
  for Slot := 0 to VORNIX_SLOTS - 1 do FBoxes[Slot] := TLineBox.Create(Slot);
  SW_Init;
end;

destructor TLineBoxLibrary.Destroy;
var
  Slot: Integer;
begin
  SW_Free;
  for Slot := 0 to VORNIX_SLOTS - 1 do FBoxes[Slot].Free;
  inherited Destroy;
end;

function TLineBoxLibrary.Count: Integer;
begin
  VornixClearError;
  Result := Checked('SW_GetCount', SW_GetCount);
end;

function TLineBoxLibrary.GetBox(Slot: Integer): TLineBox;
begin
  { Refused here as the library would refuse it: there is no box object to hand out. }
  if (Slot < 0) or (Slot >= VORNIX_SLOTS) then
    raise EVornixError.CreateFor('Box', VORNIX_ERROR_BAD_ARGUMENT);
  Result := FBoxes[Slot];
end;

end.
