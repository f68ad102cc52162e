#pragma once
// How long a widget test waits for what must come before it calls it a hang. Every wait ends
// as soon as its condition holds, so the bound only has to outlast a machine under any load.

inline constexpr int HangGuardMilliseconds = 120000;
