#pragma once
// Identifiers of the resources; those of the windows' controls are in the
// shell's layouts.
#define IDI_QUILLMER 1
#define IDI_CONTACT 2
#define IDI_NOTICE 3
