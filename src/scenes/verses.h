#pragma once
// The poem the captions tell, one verse per scene.

extern const char* const scene01Verse;
extern const char* const scene02Credit;
extern const char* const scene04Verse;
extern const char* const scene05Verse;
extern const char* const scene06Verse;
extern const char* const scene07Verse;
extern const char* const scene08Verse;
extern const char* const scene09Verse;
extern const char* const scene10Verse;
