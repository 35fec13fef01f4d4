// Text converters of the editor's value displays. Each has the form of a
// display's string convert: it receives the control's value and a text
// buffer of 256 characters and writes a NUL-terminated text into it.
//
// Both are pure functions without allocation or locking; the displays call
// them while drawing on the user-interface thread.
#pragma once

// "%d%%" of the value times 100 (single precision) truncated toward zero:
// 0.25 gives "25%", 1.0 gives "100%", 0.005 gives "0%". A NaN shows "0%";
// values beyond the int range show the nearest representable percentage.
void percentStringConvert(float value, char* text);

// "%1.2f" of value - 0.5 in double precision: 0.5 gives "0.00", 0.0 gives
// "-0.50", 1.0 gives "0.50".
void detuneStringConvert(float value, char* text);
