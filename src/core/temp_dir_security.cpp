#include "core/temp_dir_security.h"

#include <initializer_list>

bool buildTempDirSecurity(TempDirSecurity& security) {
    // The entries of launcherTempDirSecurity() in its order: Administrators
    // (S-1-5-32-544), the owner (S-1-3-4), Local System (S-1-5-18).
    alignas(DWORD) static const unsigned char kAdministrators[] = {1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 0x20, 2, 0, 0};
    alignas(DWORD) static const unsigned char kOwnerRights[] = {1, 1, 0, 0, 0, 0, 0, 3, 4, 0, 0, 0};
    alignas(DWORD) static const unsigned char kLocalSystem[] = {1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0};
    PACL acl = reinterpret_cast<PACL>(security.acl);
    if (!InitializeSecurityDescriptor(&security.descriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !InitializeAcl(acl, sizeof security.acl, ACL_REVISION))
        return false;
    for (const unsigned char* sid : {kAdministrators, kOwnerRights, kLocalSystem}) {
        if (!AddAccessAllowedAceEx(acl, ACL_REVISION, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE, FILE_ALL_ACCESS,
                                   const_cast<unsigned char*>(sid)))
            return false;
    }
    return SetSecurityDescriptorDacl(&security.descriptor, TRUE, acl, FALSE) &&
           SetSecurityDescriptorControl(&security.descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
}
