# MIT Kerberos's GSSAPI, as the target Brellow::GssapiKrb5. Found by hand rather than through
# pkg-config: Debian's krb5-gssapi.pc gives its header folder as a bare "-isystem" flag, which
# pkg_check_modules places differently on the first configure and on every later one, so that
# re-running configure would rebuild everything that uses it.
find_path(GSSAPI_KRB5_INCLUDE_DIR gssapi/gssapi_krb5.h PATH_SUFFIXES mit-krb5 REQUIRED)
find_library(GSSAPI_KRB5_LIBRARY gssapi_krb5 REQUIRED)
add_library(Brellow::GssapiKrb5 INTERFACE IMPORTED GLOBAL)
target_include_directories(Brellow::GssapiKrb5 SYSTEM INTERFACE "${GSSAPI_KRB5_INCLUDE_DIR}")
target_link_libraries(Brellow::GssapiKrb5 INTERFACE "${GSSAPI_KRB5_LIBRARY}")
