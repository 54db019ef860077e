{ The Pascal unit against the library over simulated boxes: the refusals a host meets
  reach it as EVornixError with the library's last error, and one-byte results read
  as the library gives them.   Usage: VornixTest }
program VornixTest;

{$IFDEF FPC}{$MODE DELPHI}{$ENDIF}
{$IFDEF MSWINDOWS}{$APPTYPE CONSOLE}{$ENDIF}

uses
  SysUtils, Vornix;

var
  Failed: Integer = 0;

procedure Check(Ok: Boolean; const What: string);
begin
  if not Ok then
  begin
    Inc(Failed);
    WriteLn('FAILED: ', What);
  end;
end;

{ The last error a refused call raised with, or -1 when it raised nothing. }
function Refusal(Lib: TLineBoxLibrary; Which: Integer): Integer;
var
  Outside: TLineBox;
begin
  Result := -1;
  Outside := TLineBox.Create(VORNIX_SLOTS);
  try
    try
      case Which of
        0: Outside.Ring;
        1: Lib.Box[0].Led(3);
        2: Lib.Box[0].StopRecording;  { not recording: no reason of its own }
        3: Lib.Box[VORNIX_SLOTS].Reconnect;
        4: Outside.StartRecording('x.wav', 0);
        5: Outside.SelfTest;
        6: Outside.Silence;
        7: Lib.Box[5].SelfTest;  { no box there: an answer of 0, not a refusal }
      end;
    except
      on E: EVornixError do Result := E.LastError;
    end;
  finally
    Outside.Free;
  end;
end;

const
  { The last error each call raises with, -1 for none; the absent box last, as the hold-off
    it starts would answer for the guarded calls. }
  Refusals: array[0..7] of Integer = (VORNIX_ERROR_BAD_ARGUMENT, VORNIX_ERROR_BAD_ARGUMENT, 0,
                                      VORNIX_ERROR_BAD_ARGUMENT, VORNIX_ERROR_BAD_ARGUMENT,
                                      VORNIX_ERROR_BAD_ARGUMENT, VORNIX_ERROR_BAD_ARGUMENT, -1);

var
  Lib: TLineBoxLibrary;
  Closed: TLineBox;
  Which: Integer;
  Raised: Boolean;
begin
  Lib := TLineBoxLibrary.Create;
  try
    for Which := Low(Refusals) to High(Refusals) do
      Check(Refusal(Lib, Which) = Refusals[Which], Format('refusal %d raises with %d', [Which, Refusals[Which]]));
    { A result read wider than its byte would show the neighbouring register bits. }
    Check((SW_Play(1, 2, 3, 4) = 1) and (SW_StopPlay(0) = 0) and (SW_test(VORNIX_SLOTS, 0) = 0), 'one-byte results');
  finally
    Lib.Free;
  end;
  Raised := False;
  Closed := TLineBox.Create(0);
  try
    Closed.OffHook;
  except
    on E: EVornixError do
    begin
      Raised := True;
      Check((E.LastError = VORNIX_ERROR_NOT_OPEN) and (Pos('not open', E.Message) > 0), 'closed: ' + E.Message);
    end;
  end;
  Closed.Free;
  Check(Raised, 'a closed library refuses');
  if Failed > 0 then Halt(1);
  WriteLn('Pascal unit: all checks passed');
end.
