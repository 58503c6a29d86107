// The time allowed for the next hit in the games that shorten it after every
// hit: by 10 s while it is above 40 s, then by 5 s while it is above 20 s.
#pragma once

int shortened_period(int period);
