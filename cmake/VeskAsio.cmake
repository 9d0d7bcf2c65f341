# vesk_asio: Boost.Asio, headers only, for the relay's event loop and the browser seat.
add_library(vesk_asio INTERFACE)
if(CMAKE_CROSSCOMPILING AND WIN32)
    # The cross compiler takes Debian's own Boost headers, and must see nothing else of the build
    # machine's include folder: it is given a folder that holds only a link to them.
    set(VESK_BOOST_HEADERS /usr/include/boost CACHE PATH "Boost headers for a cross build")
    if(NOT EXISTS ${VESK_BOOST_HEADERS}/asio.hpp)
        message(FATAL_ERROR "No Boost headers at ${VESK_BOOST_HEADERS} (Debian's libboost-dev)")
    endif()
    set(boostLinkFolder ${CMAKE_BINARY_DIR}/boost-headers)
    file(MAKE_DIRECTORY ${boostLinkFolder})
    file(CREATE_LINK ${VESK_BOOST_HEADERS} ${boostLinkFolder}/boost SYMBOLIC)
    target_include_directories(vesk_asio SYSTEM INTERFACE ${boostLinkFolder})
else()
    find_package(Boost 1.74 REQUIRED)
    target_link_libraries(vesk_asio INTERFACE Boost::headers)
endif()
target_link_libraries(vesk_asio INTERFACE Threads::Threads)
if(WIN32)
    # Windows 10 and later, as the programs' manifest says; Asio's accept and wait need mswsock.
    target_compile_definitions(vesk_asio INTERFACE _WIN32_WINNT=0x0A00)
    target_link_libraries(vesk_asio INTERFACE ws2_32 mswsock)
endif()
if(VESK_SANITIZE MATCHES "thread" AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    # Asio's own fences, in headers not ours, draw GCC's note that ThreadSanitizer does not
    # follow fences; Asio's locks and atomics, which it does follow, order its threads.
    target_compile_options(vesk_asio INTERFACE -Wno-tsan)
endif()
