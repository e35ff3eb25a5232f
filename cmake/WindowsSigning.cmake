# The Windows programs a user gets are signed (packaging/windows) and checked (tests/winapp).
# A release build is given its code-signing certificate as a PKCS#12 file and a file
# holding its password, both kept out of the repository, and the certificate of its authority
# for the check:  -DVIDLET_SIGN_PKCS12=cert.p12 -DVIDLET_SIGN_PASSWORD_FILE=password
# -DVIDLET_SIGN_CA=authority.pem. Without them the build makes a throwaway certificate of its
# own, so that every build signs, and its tests check, the same files the same way.
set(VIDLET_SIGN_PKCS12 "" CACHE FILEPATH "code-signing certificate and key (PKCS#12)")
set(VIDLET_SIGN_PASSWORD_FILE "" CACHE FILEPATH "file holding the PKCS#12 file's password")
set(VIDLET_SIGN_CA "" CACHE FILEPATH "the signing certificate's authority (PEM), for the check")
if(VIDLET_SIGN_PKCS12)
  set(signPkcs12 ${VIDLET_SIGN_PKCS12})
  set(signPassword ${VIDLET_SIGN_PASSWORD_FILE})
  set(VIDLET_SIGN_CA_FILE ${VIDLET_SIGN_CA})
else()
  set(signDir ${PROJECT_BINARY_DIR}/throwaway-signing)
  set(signPkcs12 ${signDir}/vidlet.p12)
  set(signPassword ${signDir}/password)
  set(VIDLET_SIGN_CA_FILE ${signDir}/cert.pem)
  if(NOT EXISTS ${signPkcs12})
    file(MAKE_DIRECTORY ${signDir})
    string(RANDOM LENGTH 24 password)
    file(WRITE ${signPassword} ${password})
    execute_process(COMMAND openssl req -x509 -newkey rsa:2048 -nodes -days 3650
        -subj "/CN=Vidlet throwaway test signature" -addext "extendedKeyUsage=codeSigning"
        -keyout key.pem -out cert.pem
      COMMAND_ERROR_IS_FATAL ANY WORKING_DIRECTORY ${signDir} OUTPUT_QUIET ERROR_QUIET)
    execute_process(COMMAND openssl pkcs12 -export -inkey key.pem -in cert.pem -out vidlet.p12
        -passout file:password
      COMMAND_ERROR_IS_FATAL ANY WORKING_DIRECTORY ${signDir} OUTPUT_QUIET ERROR_QUIET)
    file(REMOVE ${signDir}/key.pem)
  endif()
endif()

# The command that signs Windows programs in place, and the authority that checks them.
set(VIDLET_SIGN ${PROJECT_SOURCE_DIR}/packaging/windows/sign.sh ${signPkcs12} ${signPassword})
