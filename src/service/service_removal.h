// Removal of the service when there is one: what a package runs at
// uninstall and when an install is rolled back, where a service that is
// already gone is no failure.
#pragma once

// Stops the service of the configured name (waiting for the stop) and
// deletes it. 0 when it is gone or was never installed, 1 when it could not
// be deleted.
int uninstallIfInstalled();
