#pragma once
// A directory whose entries can only be added (append-only, immutable) keeps any name given in
// it for good, so nothing may be made there that is meant to go again.

// False only where the directory's flags forbid removing entries.
bool EntriesRemovable(int directory);
