# Lints the window's QML as module "Vidlet", the way the program loads it: the documents, the
# drop shadow under its served name and the generated VendorSite.js go into a folder of that name
# beside qml/lint's qmldir, which makes Theme a singleton and declares the types from C++.
# Unqualified names are not checked: the controller, the translator and the update checker reach
# the window as context properties, which qmllint cannot see, and Qt 6.4's qmllint counts every
# outer id and model role a delegate reads as unqualified. Any other warning fails, unused imports
# included.
# Arguments: -D QMLLINT=... -D QT_QML_DIR=... -D SOURCE_DIR=... -D SHADOW=... -D SITE_JS=... -D WORK=...
if(NOT EXISTS ${QT_QML_DIR}/QtQml/plugins.qmltypes)
  message(FATAL_ERROR "qmllint needs QtQml's type descriptions, ${QT_QML_DIR}/QtQml/plugins.qmltypes: "
    "install qml6-module-qtqml (scripts/install-deps.sh does)")
endif()
set(module ${WORK}/Vidlet)
file(REMOVE_RECURSE ${WORK})
file(GLOB documents ${SOURCE_DIR}/qml/*.qml)
file(COPY ${documents} ${SOURCE_DIR}/qml/lint/qmldir ${SOURCE_DIR}/qml/lint/vidlet.qmltypes
  ${SITE_JS} DESTINATION ${module})
file(COPY_FILE ${SHADOW} ${module}/Shadow.qml)
file(GLOB linted ${module}/*.qml)
execute_process(COMMAND ${QMLLINT} -I ${WORK} --unqualified disable
    --unused-imports warning ${linted}
  RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "qmllint found problems in the QML above")
endif()
