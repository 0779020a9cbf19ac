// The option records of the windows (filled in with the control table).
#pragma once
